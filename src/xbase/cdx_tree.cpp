// Searching and scanning one index tree.

#include "xbase/cdx_tree.h"

#include <algorithm>

#include "xbase/error.h"

namespace xbase::cdx {

bool Probe::below(const CdxEntry& e) const {
  switch (kind) {
    case Kind::KeyPrefix: return std::string_view(e.key) < key;
    case Kind::AtLeast: return compareEntries(e.key, e.recno, key, recno) < 0;
    case Kind::After: return compareEntries(e.key, e.recno, key, recno) <= 0;
    case Kind::End: return true;
  }
  return true;
}

namespace {

std::size_t firstNotBelow(const std::vector<CdxEntry>& entries, const Probe& probe) {
  auto it = std::partition_point(entries.begin(), entries.end(),
                                 [&](const CdxEntry& e) { return probe.below(e); });
  return static_cast<std::size_t>(it - entries.begin());
}

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

Tree::Spot Tree::locate(const Probe& probe) const {
  std::uint32_t offset = store_.readRoot(header_);
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    Node node = store_.read(offset, shape_);
    if (node.leaf) {
      const std::size_t index = firstNotBelow(node.entries, probe);
      return Spot{std::move(node), index};
    }
    offset = node.children[std::min(firstNotBelow(node.entries, probe), node.entries.size() - 1)];
  }
  tooDeep();
}

Node Tree::readSibling(std::uint32_t offset, std::uint64_t& budget) const {
  if (budget-- == 0) throw Error(ErrorCode::Corrupt, "Index leaf chain loops (cyclic sibling pointers)");
  Node node = store_.read(offset, shape_);
  if (!node.leaf) throw Error(ErrorCode::Corrupt, "Index leaf at " + std::to_string(offset) + " links to a non-leaf");
  return node;
}

void Tree::scan(const Probe& start, bool forward, const std::function<bool(const CdxEntry&)>& visit) const {
  Spot spot = locate(start);
  std::uint64_t budget = store_.nodeLimit();
  if (forward) {
    for (std::size_t i = spot.index;;) {
      for (; i < spot.leaf.entries.size(); ++i)
        if (!visit(spot.leaf.entries[i])) return;
      if (spot.leaf.right == kNoNode) return;
      spot.leaf = readSibling(spot.leaf.right, budget);
      i = 0;
    }
  }
  for (std::size_t i = spot.index;;) {
    while (i > 0)
      if (!visit(spot.leaf.entries[--i])) return;
    if (spot.leaf.left == kNoNode) return;
    spot.leaf = readSibling(spot.leaf.left, budget);
    i = spot.leaf.entries.size();
  }
}

std::optional<CdxEntry> Tree::firstFrom(const Probe& start) const {
  std::optional<CdxEntry> found;
  scan(start, true, [&](const CdxEntry& e) {
    found = e;
    return false;
  });
  return found;
}

std::optional<CdxEntry> Tree::lastBefore(const Probe& start) const {
  std::optional<CdxEntry> found;
  scan(start, false, [&](const CdxEntry& e) {
    found = e;
    return false;
  });
  return found;
}

}  // namespace xbase::cdx
