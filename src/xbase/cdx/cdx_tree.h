#pragma once

// One B-tree of the index (a tag's, or the tag directory's): searching,
// ordered scans in both directions, and in-place insertion and removal that
// touch only the nodes on one root-to-leaf path and their siblings.
//
// Every call reads the root pointer and the nodes it needs afresh, so a
// change made through another handle or process is seen at once. Writers
// must be serialised by the caller.
//
// Write order of a change (an interrupted change leaves at worst an index
// that `verify` reports and a rebuild repairs; the table's records are
// never touched here): a node split writes the new right half first, then
// the left half in place, then the old right neighbour's back link, then the
// parent (or a new root, then the header's root pointer). A removal writes
// the leaf, then its parents; an emptied node is unlinked from its
// neighbours and freed after its parent no longer points at it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx/cdx_node.h"
#include "xbase/cdx/cdx_node_store.h"

namespace xbase::cdx {

// Where a search starts: the first entry that is not below the probe.
struct Probe {
  enum class Kind {
    KeyPrefix,  // entries whose key is below `key` (a shorter key compares as a prefix)
    AtLeast,    // entries below (key, recno)
    After,      // entries up to and including (key, recno)
    End,        // every entry
  };
  Kind kind = Kind::End;
  std::string_view key;
  std::uint32_t recno = 0;

  bool below(std::string_view entryKey, std::uint32_t entryRecno) const;
  bool below(const CdxEntry& e) const { return below(e.key, e.recno); }
};

class Tree {
 public:
  Tree(NodeStore& store, std::uint32_t headerOffset, KeyShape shape)
      : store_(store), header_(headerOffset), shape_(shape) {}

  const KeyShape& shape() const { return shape_; }
  std::uint32_t headerOffset() const { return header_; }

  // Calls `visit` for the entries from the first not below `start` onwards
  // (forward) or from the last below it backwards, until `visit` returns
  // false or the entries end.
  void scan(const Probe& start, bool forward, const std::function<bool(const CdxEntry&)>& visit) const;
  // The first entry not below `start` (forward) or the last below it.
  std::optional<CdxEntry> nearest(const Probe& start, bool forward) const;
  std::optional<CdxEntry> firstFrom(const Probe& start) const { return nearest(start, true); }
  std::optional<CdxEntry> lastBefore(const Probe& start) const { return nearest(start, false); }

  void insert(const CdxEntry& entry);
  bool remove(const CdxEntry& entry);

  // Faults of structure and order, one text each (at most `limit`).
  std::vector<std::string> verify(std::size_t limit = 100) const;

  // Frees every node of the tree (after its root has been replaced).
  void releaseNodes(std::uint32_t root);

 private:
  struct Level {
    Node node;
    std::size_t childIndex = 0;  // interior: the child the path went down to
  };
  struct RawLeaf {
    NodeStore::NodeBytes bytes;
    std::uint32_t offset = 0;
  };

  // The leaf holding the first entry not below the probe (or the last leaf).
  void locateLeaf(const Probe& probe, RawLeaf& leaf) const;
  std::vector<Level> pathTo(const Probe& probe) const;
  void readSibling(std::uint32_t offset, RawLeaf& leaf, std::uint64_t& budget) const;
  void scanForward(const Probe& start, const std::function<bool(const CdxEntry&)>& visit) const;
  void scanBackward(const Probe& start, const std::function<bool(const CdxEntry&)>& visit) const;
  void rewrite(std::vector<Level>& path, std::size_t depth);
  void dropEmpty(std::vector<Level>& path, std::size_t depth);
  void split(std::vector<Level>& path, std::size_t depth);
  void setSiblingLink(std::uint32_t node, bool leftLink, std::uint32_t target);

  NodeStore& store_;
  std::uint32_t header_;
  KeyShape shape_;
};

}  // namespace xbase::cdx
