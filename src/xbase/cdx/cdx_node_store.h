#pragma once

// Node-level file access for the index: reads and decodes nodes with bounds
// checks, encodes and writes them, and hands out and takes back node space.
//
// Freed nodes are chained from the free-list field of the file header (the
// tag directory's header, offset 4): a free node holds the next free node's
// offset in its first four bytes (0 ends the chain) and zeros elsewhere.
// A chain that does not look like that (another program's) is left alone
// and new nodes are appended instead, so a foreign free list is never
// misread into handing out a live node.
//
// A bulk build appends its nodes through a batch: once the free list is
// used up, new nodes are placed past the end of the file and gathered in
// memory, then written in large pieces instead of one 512-byte write each.
// Nothing refers to them until the caller publishes the new root, after the
// batch is written.

#include <array>
#include <cstdint>
#include <vector>

#include "xbase/cdx/cdx_node.h"
#include "xbase/file.h"

namespace xbase::cdx {

class NodeStore {
 public:
  explicit NodeStore(File& file) : file_(file) {}

  File& file() { return file_; }
  const File& file() const { return file_; }

  using NodeBytes = std::array<Byte, kNodeSize>;
  // The raw bytes of the node at `offset`; Error(Corrupt) when the offset
  // cannot hold a node of this file.
  void readRaw(std::uint32_t offset, NodeBytes& bytes) const;
  Node read(std::uint32_t offset, const KeyShape& shape) const;
  // Encodes and writes; Error(Argument) when the node does not fit (callers
  // split before that happens).
  void write(const Node& node, const KeyShape& shape);
  // A fresh node offset (its content is zeros until written).
  std::uint32_t allocate();
  void release(std::uint32_t offset);

  // Gathers the nodes allocated and written from now on (see above);
  // endBatch writes them. Reads see gathered nodes. A batch ended by
  // dropBatch (a build that failed) writes nothing.
  void beginBatch();
  void endBatch();
  void dropBatch();

  // Root pointer of the tree whose header is at `headerOffset`.
  std::uint32_t readRoot(std::uint32_t headerOffset) const;
  void writeRoot(std::uint32_t headerOffset, std::uint32_t root);

  // An upper bound on the number of nodes in the file, for loop guards.
  std::uint64_t nodeLimit() const { return file_.size() / kNodeSize + 1; }

 private:
  std::uint32_t popFreeNode();
  void writeBatch();

  File& file_;
  bool freeListUnusable_ = false;
  bool batching_ = false;
  bool freeListEmpty_ = false;    // within a batch: no more free nodes to take
  std::uint64_t batchStart_ = 0;  // file offset of batch_[0]
  std::vector<Byte> batch_;
};

}  // namespace xbase::cdx
