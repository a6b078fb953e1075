#pragma once

// Bulk build of one index tree from entries in ascending order, bottom-up
// and streaming: each level keeps only the node it is filling; a full node
// is written at once (its right neighbour's offset reserved first so the
// sibling links come out right) and its highest entry passes to the level
// above. Leaves and interior nodes are filled completely.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx/cdx_node.h"
#include "xbase/cdx/cdx_node_store.h"

namespace xbase::cdx {

class TreeBuilder {
 public:
  TreeBuilder(NodeStore& store, KeyShape shape) : store_(store), shape_(shape) {}

  // Entries must come in ascending (key, record number) order.
  void add(CdxEntry entry);
  // The same, with the key copied into the storage of a key already written
  // out: a long build allocates no key per entry.
  void add(std::string_view key, std::uint32_t recno);
  // Writes the remaining nodes and returns the root's offset (nothing is
  // referenced from a header yet: the caller publishes the root).
  std::uint32_t finish();

 private:
  struct Filling {
    Node node;
    std::size_t keyBytes = 0;    // leaves: stored key bytes so far
    std::uint32_t maxRecno = 0;  // leaves: for the packed-info width
  };

  Filling& level(std::size_t depth);
  // The key bytes `entry` stores after the leaf's last entry (all of them
  // but the trailing pad in an empty leaf).
  std::size_t storedInLeaf(const Filling& leaf, const CdxEntry& entry) const;
  bool leafTakes(const Filling& leaf, const CdxEntry& entry, std::size_t stored) const;
  void append(std::size_t depth, CdxEntry entry, std::uint32_t child);
  void closeFull(std::size_t depth);
  void recycleKeys(Node& written);

  NodeStore& store_;
  KeyShape shape_;
  std::vector<Filling> levels_;
  std::vector<std::string> spareKeys_;  // of leaves written out, for reuse
};

}  // namespace xbase::cdx
