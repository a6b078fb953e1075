#include "xbase/cdx/cdx_tree_builder.h"

#include <algorithm>

#include "xbase/error.h"

namespace xbase::cdx {

TreeBuilder::Filling& TreeBuilder::level(std::size_t depth) {
  if (depth == levels_.size()) {
    Filling f;
    f.node.offset = store_.allocate();
    f.node.leaf = depth == 0;
    levels_.push_back(std::move(f));
  }
  return levels_[depth];
}

std::size_t TreeBuilder::storedInLeaf(const Filling& leaf, const CdxEntry& entry) const {
  const auto& entries = leaf.node.entries;
  return leafKeyBytes(entries.empty() ? nullptr : &entries.back().key, entry.key, shape_);
}

bool TreeBuilder::leafTakes(const Filling& leaf, const CdxEntry& entry, std::size_t stored) const {
  const std::size_t size = kLeafHeaderSize +
                           (leaf.node.entries.size() + 1) *
                               leafInfoBytes(std::max(leaf.maxRecno, entry.recno), shape_) +
                           leaf.keyBytes + stored;
  return size <= kNodeSize;
}

void TreeBuilder::add(CdxEntry entry) {
  requireKeyLength(entry.key.size(), static_cast<std::size_t>(shape_.length));
  Filling& leaf = level(0);
  if (!leaf.node.entries.empty() && !entryLess(leaf.node.entries.back(), entry))
    throw Error(ErrorCode::Argument, "Index bulk build needs ascending, distinct entries");
  append(0, std::move(entry), 0);
}

void TreeBuilder::add(std::string_view key, std::uint32_t recno) {
  CdxEntry entry;
  if (!spareKeys_.empty()) {
    entry.key = std::move(spareKeys_.back());
    spareKeys_.pop_back();
  }
  entry.key.assign(key);
  entry.recno = recno;
  add(std::move(entry));
}

void TreeBuilder::recycleKeys(Node& written) {
  if (!written.leaf) return;
  for (CdxEntry& e : written.entries) spareKeys_.push_back(std::move(e.key));
}

void TreeBuilder::append(std::size_t depth, CdxEntry entry, std::uint32_t child) {
  std::size_t stored = 0;  // leaves: the key bytes the entry adds
  {
    Filling& f = level(depth);
    if (depth == 0) stored = storedInLeaf(f, entry);
    const bool full = depth == 0 ? !leafTakes(f, entry, stored) : f.node.entries.size() >= interiorCapacity(shape_);
    if (full) {
      closeFull(depth);
      if (depth == 0) stored = storedInLeaf(levels_[0], entry);  // first in a new leaf
    }
  }
  Filling& f = levels_[depth];  // closeFull may have grown levels_
  if (depth == 0) {
    f.keyBytes += stored;
    f.maxRecno = std::max(f.maxRecno, entry.recno);
  } else {
    f.node.children.push_back(child);
  }
  f.node.entries.push_back(std::move(entry));
}

// Writes the level's full node, linked to a freshly reserved right
// neighbour that becomes the level's node being filled.
void TreeBuilder::closeFull(std::size_t depth) {
  Node full = std::move(levels_[depth].node);
  Filling next;
  next.node.offset = store_.allocate();
  next.node.leaf = full.leaf;
  next.node.left = full.offset;
  full.right = next.node.offset;
  store_.write(full, shape_);
  levels_[depth] = std::move(next);
  append(depth + 1, full.entries.back(), full.offset);
  recycleKeys(full);
}

std::uint32_t TreeBuilder::finish() {
  level(0);
  for (std::size_t depth = 0;; ++depth) {
    Node& node = levels_[depth].node;
    if (depth + 1 == levels_.size()) {
      node.root = true;
      store_.write(node, shape_);
      const std::uint32_t root = node.offset;
      levels_.clear();
      return root;
    }
    store_.write(node, shape_);
    CdxEntry highest = node.entries.back();
    append(depth + 1, std::move(highest), node.offset);
  }
}

}  // namespace xbase::cdx
