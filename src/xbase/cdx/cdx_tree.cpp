// Searching and scanning one index tree.

#include "xbase/cdx/cdx_tree.h"

#include <algorithm>

#include "xbase/error.h"

namespace xbase::cdx {

bool Probe::below(std::string_view entryKey, std::uint32_t entryRecno) const {
  switch (kind) {
    case Kind::KeyPrefix: return entryKey < key;
    case Kind::AtLeast: return compareEntries(entryKey, entryRecno, key, recno) < 0;
    case Kind::After: return compareEntries(entryKey, entryRecno, key, recno) <= 0;
    case Kind::End: return true;
  }
  return true;
}

namespace {

std::size_t firstNotBelow(const std::vector<CdxEntry>& entries, const Probe& probe) {
  auto it = std::partition_point(entries.begin(), entries.end(), [&](const CdxEntry& e) { return probe.below(e); });
  return static_cast<std::size_t>(it - entries.begin());
}

constexpr std::uint64_t kBudgetUnset = ~0ULL;

[[noreturn]] void tooDeep() {
  throw Error(ErrorCode::Corrupt, "Index tree is deeper than possible (cyclic node pointers)");
}

}  // namespace

// Each interior entry is its child's highest entry, so the child holding
// the first entry not below the probe is the first whose entry is not below
// it; when every entry is below, the path ends at the last leaf.
std::vector<Tree::Level> Tree::pathTo(const Probe& probe) const {
  std::vector<Level> path;
  std::uint32_t offset = store_.readRoot(header_);
  for (;;) {
    if (path.size() >= static_cast<std::size_t>(kMaxTreeDepth)) tooDeep();
    for (const Level& level : path)
      if (level.node.offset == offset) tooDeep();
    Level level{store_.read(offset, shape_), 0};
    if (level.node.leaf) {
      path.push_back(std::move(level));
      return path;
    }
    level.childIndex = std::min(firstNotBelow(level.node.entries, probe), level.node.entries.size() - 1);
    offset = level.node.children[level.childIndex];
    path.push_back(std::move(level));
  }
}

void Tree::locateLeaf(const Probe& probe, RawLeaf& leaf) const {
  leaf.offset = store_.readRoot(header_);
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    store_.readRaw(leaf.offset, leaf.bytes);
    if (readNodeHead(leaf.bytes.data(), leaf.offset).leaf) return;
    const InteriorView view(leaf.bytes.data(), leaf.offset, shape_);
    std::size_t lo = 0, hi = view.count();  // first entry not below the probe
    while (lo < hi) {
      const std::size_t mid = (lo + hi) / 2;
      if (probe.below(view.key(mid), view.recno(mid)))
        lo = mid + 1;
      else
        hi = mid;
    }
    leaf.offset = view.child(std::min(lo, view.count() - 1));
  }
  tooDeep();
}

// Steps along a leaf chain are bounded by the nodes the file can hold (the
// bound is looked up at the first step: most searches take none).
void Tree::readSibling(std::uint32_t offset, RawLeaf& leaf, std::uint64_t& budget) const {
  if (budget == kBudgetUnset) budget = store_.nodeLimit();
  if (budget-- == 0) throw Error(ErrorCode::Corrupt, "Index leaf chain loops (cyclic sibling pointers)");
  leaf.offset = offset;
  store_.readRaw(offset, leaf.bytes);
}

void Tree::scan(const Probe& start, bool forward, const std::function<bool(const CdxEntry&)>& visit) const {
  forward ? scanForward(start, visit) : scanBackward(start, visit);
}

// Forward, leaves are decoded entry by entry and only as far as needed.
void Tree::scanForward(const Probe& start, const std::function<bool(const CdxEntry&)>& visit) const {
  RawLeaf leaf;
  locateLeaf(start, leaf);
  std::uint64_t budget = kBudgetUnset;
  bool reached = false;
  for (;;) {
    LeafReader reader(leaf.bytes.data(), leaf.offset, shape_);
    while (reader.next()) {
      if (!reached && start.below(reader.entry())) continue;
      reached = true;
      if (!visit(reader.entry())) return;
    }
    const std::uint32_t right = reader.head().right;
    if (right == kNoNode) return;
    readSibling(right, leaf, budget);
  }
}

// Backward, each leaf is decoded whole (a key depends on its predecessor).
void Tree::scanBackward(const Probe& start, const std::function<bool(const CdxEntry&)>& visit) const {
  RawLeaf leaf;
  locateLeaf(start, leaf);
  std::uint64_t budget = kBudgetUnset;
  Node node = decodeNode(leaf.bytes.data(), leaf.offset, shape_);
  std::size_t first = firstNotBelow(node.entries, start);
  // Move right while the whole leaf is below the probe and so is the start
  // of its right neighbour: that happens when another writer has just split
  // this leaf and not yet updated the parent we came through.
  while (first == node.entries.size() && node.right != kNoNode) {
    readSibling(node.right, leaf, budget);
    Node right = decodeNode(leaf.bytes.data(), leaf.offset, shape_);
    if (!right.leaf || right.entries.empty() || !start.below(right.entries.front())) break;
    node = std::move(right);
    first = firstNotBelow(node.entries, start);
  }
  for (std::size_t i = first;;) {
    while (i > 0)
      if (!visit(node.entries[--i])) return;
    if (node.left == kNoNode) return;
    readSibling(node.left, leaf, budget);
    node = decodeNode(leaf.bytes.data(), leaf.offset, shape_);
    if (!node.leaf)
      throw Error(ErrorCode::Corrupt, "Index leaf at " + std::to_string(leaf.offset) + " links to a non-leaf");
    i = node.entries.size();
  }
}

std::optional<CdxEntry> Tree::nearest(const Probe& start, bool forward) const {
  std::optional<CdxEntry> found;
  scan(start, forward, [&](const CdxEntry& e) {
    found = e;
    return false;
  });
  return found;
}

}  // namespace xbase::cdx
