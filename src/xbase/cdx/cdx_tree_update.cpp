// In-place insertion and removal in one index tree: the leaf on the path is
// changed, split when it overflows, dropped when it empties, and each parent
// keeps its child's highest entry.

#include <algorithm>
#include <array>

#include "xbase/cdx/cdx_tree.h"
#include "xbase/error.h"

namespace xbase::cdx {
namespace {

std::size_t lowerBound(const std::vector<CdxEntry>& entries, const CdxEntry& entry) {
  return static_cast<std::size_t>(std::lower_bound(entries.begin(), entries.end(), entry, entryLess) - entries.begin());
}

bool fits(const Node& node, const KeyShape& shape) {
  return node.leaf ? leafEncodedSize(node.entries, shape) <= kNodeSize : node.entries.size() <= interiorCapacity(shape);
}

// Where to cut an overflowing node: interior nodes in the middle, leaves
// where the halves' encoded sizes are closest (keys compress unevenly).
std::size_t splitPoint(const Node& node, const KeyShape& shape) {
  if (!node.leaf) return node.entries.size() / 2;
  const std::size_t cut = leafSplitPoint(node.entries, shape);
  if (cut == 0) throw Error(ErrorCode::Corrupt, "Index node cannot be split into two that fit");
  return cut;
}

template <typename T>
std::vector<T> takeTail(std::vector<T>& v, std::size_t from) {
  std::vector<T> tail(std::make_move_iterator(v.begin() + static_cast<std::ptrdiff_t>(from)),
                      std::make_move_iterator(v.end()));
  v.resize(from);
  return tail;
}

}  // namespace

void Tree::insert(const CdxEntry& entry) {
  requireKeyLength(entry.key.size(), static_cast<std::size_t>(shape_.length));
  std::vector<Level> path = pathTo(Probe{Probe::Kind::AtLeast, entry.key, entry.recno});
  auto& entries = path.back().node.entries;
  // The entry, if present, is in this leaf (each parent entry is its
  // child's highest): an exact repeat changes nothing.
  const std::size_t at = lowerBound(entries, entry);
  if (at < entries.size() && entries[at] == entry) return;
  entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), entry);
  rewrite(path, path.size() - 1);
}

bool Tree::remove(const CdxEntry& entry) {
  std::vector<Level> path = pathTo(Probe{Probe::Kind::AtLeast, entry.key, entry.recno});
  auto& entries = path.back().node.entries;
  const std::size_t at = lowerBound(entries, entry);
  if (at == entries.size() || !(entries[at] == entry)) return false;
  entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(at));
  rewrite(path, path.size() - 1);
  return true;
}

// Writes path[depth].node after its entries changed, then brings its parent
// up to date: split on overflow, drop when empty, and carry a changed
// highest entry upwards.
void Tree::rewrite(std::vector<Level>& path, std::size_t depth) {
  Node& node = path[depth].node;
  if (node.entries.empty()) return dropEmpty(path, depth);
  if (!fits(node, shape_)) return split(path, depth);
  store_.write(node, shape_);
  if (depth == 0) return;
  Level& parent = path[depth - 1];
  CdxEntry& separator = parent.node.entries[parent.childIndex];
  if (separator == node.entries.back()) return;
  separator = node.entries.back();
  rewrite(path, depth - 1);
}

void Tree::dropEmpty(std::vector<Level>& path, std::size_t depth) {
  Node& node = path[depth].node;
  if (depth == 0) {  // an empty tree is a root leaf without keys
    node.leaf = true;
    node.children.clear();
    store_.write(node, shape_);
    return;
  }
  if (node.left != kNoNode) setSiblingLink(node.left, false, node.right);
  if (node.right != kNoNode) setSiblingLink(node.right, true, node.left);
  Level& parent = path[depth - 1];
  parent.node.entries.erase(parent.node.entries.begin() + static_cast<std::ptrdiff_t>(parent.childIndex));
  parent.node.children.erase(parent.node.children.begin() + static_cast<std::ptrdiff_t>(parent.childIndex));
  rewrite(path, depth - 1);
  store_.release(node.offset);
}

void Tree::split(std::vector<Level>& path, std::size_t depth) {
  Node& left = path[depth].node;
  Node right;
  right.offset = store_.allocate();
  right.leaf = left.leaf;
  const std::size_t cut = splitPoint(left, shape_);
  right.entries = takeTail(left.entries, cut);
  if (!left.leaf) right.children = takeTail(left.children, cut);
  right.left = left.offset;
  right.right = left.right;
  const std::uint32_t oldRight = left.right;
  left.right = right.offset;

  if (depth == 0) {  // the root splits: the tree grows by one level
    left.root = right.root = false;
    store_.write(right, shape_);
    store_.write(left, shape_);
    Node root;
    root.offset = store_.allocate();
    root.leaf = false;
    root.root = true;
    root.entries = {left.entries.back(), right.entries.back()};
    root.children = {left.offset, right.offset};
    store_.write(root, shape_);
    store_.writeRoot(header_, root.offset);
    return;
  }
  store_.write(right, shape_);
  store_.write(left, shape_);
  if (oldRight != kNoNode) setSiblingLink(oldRight, true, right.offset);
  Level& parent = path[depth - 1];
  const auto at = static_cast<std::ptrdiff_t>(parent.childIndex);
  parent.node.entries[parent.childIndex] = left.entries.back();
  parent.node.entries.insert(parent.node.entries.begin() + at + 1, right.entries.back());
  parent.node.children.insert(parent.node.children.begin() + at + 1, right.offset);
  rewrite(path, depth - 1);
}

// Rewrites one sibling pointer of a neighbouring node (4 bytes at +4 for
// the left link, +8 for the right link).
void Tree::setSiblingLink(std::uint32_t node, bool leftLink, std::uint32_t target) {
  if (!plausibleNodeOffset(node, store_.file().size()))
    throw Error(ErrorCode::Corrupt, "Index sibling pointer " + std::to_string(node) + " lies outside the file");
  std::array<Byte, 4> field;
  putLe32(field.data(), target);
  store_.file().writeAt(node + (leftLink ? 4u : 8u), field.data(), field.size());
}

}  // namespace xbase::cdx
