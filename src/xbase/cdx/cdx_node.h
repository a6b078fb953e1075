#pragma once

// One 512-byte index node, decoded. Interior nodes hold, per child, the
// child's highest (key, record number) and the child's offset. Exterior
// (leaf) nodes hold the entries themselves; on disk their keys are
// compressed: trailing pad bytes are dropped (trailing count) and the bytes
// shared with the previous key are not repeated (duplicate count), with
// record number and both counts bit-packed into a few bytes per entry and the
// remaining key bytes stored from the end of the node backwards.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx/cdx_file.h"
#include "xbase/cdx/cdx_format.h"

namespace xbase::cdx {

// The key shape of one tree: its fixed key length and the pad byte that
// trailing compression strips (blank for character keys).
struct KeyShape {
  int length = 0;
  char pad = ' ';
};

struct Node {
  std::uint32_t offset = 0;
  bool leaf = true;
  bool root = false;
  std::uint32_t left = kNoNode;
  std::uint32_t right = kNoNode;
  std::vector<CdxEntry> entries;        // leaf entries, or the children's highest entries
  std::vector<std::uint32_t> children;  // interior nodes only, parallel to entries
};

// Order of entries: key bytewise unsigned, then record number.
inline int compareEntries(std::string_view keyA, std::uint32_t recnoA, std::string_view keyB, std::uint32_t recnoB) {
  if (int c = keyA.compare(keyB); c != 0) return c < 0 ? -1 : 1;
  return recnoA < recnoB ? -1 : (recnoA > recnoB ? 1 : 0);
}
inline bool entryLess(const CdxEntry& a, const CdxEntry& b) {
  return compareEntries(a.key, a.recno, b.key, b.recno) < 0;
}

struct NodeHead {
  bool leaf = true;
  bool root = false;
  std::size_t count = 0;
  std::uint32_t left = kNoNode;
  std::uint32_t right = kNoNode;
};
// The fixed first 12 bytes of any node; Error(Corrupt) for unknown attributes.
NodeHead readNodeHead(const Byte* data, std::uint32_t offset);

// A leaf's entries decoded one at a time into one reused entry, so a search
// stops where it finds its key and allocates nothing per entry. Error(Corrupt)
// for anything outside the format. `data` must outlive the reader.
class LeafReader {
 public:
  LeafReader(const Byte* data, std::uint32_t offset, const KeyShape& shape);
  bool next();  // false after the last entry
  const CdxEntry& entry() const { return entry_; }
  const NodeHead& head() const { return head_; }

 private:
  const Byte* data_;
  std::uint32_t offset_;
  std::size_t keyLength_;
  char pad_;
  NodeHead head_;
  int recnoBits_ = 0, dupBits_ = 0, trailBits_ = 0;
  std::size_t entryBytes_ = 0;
  std::size_t infoEnd_ = 0;
  std::size_t keyEnd_ = kNodeSize;  // key bytes run backwards from the node's end
  std::size_t index_ = 0;
  CdxEntry entry_;
};

// An interior node's entries read in place.
class InteriorView {
 public:
  InteriorView(const Byte* data, std::uint32_t offset, const KeyShape& shape);
  std::size_t count() const { return head_.count; }
  std::string_view key(std::size_t i) const { return {reinterpret_cast<const char*>(at(i)), keyLength_}; }
  std::uint32_t recno(std::size_t i) const { return getBe32(at(i) + keyLength_); }
  std::uint32_t child(std::size_t i) const { return getBe32(at(i) + keyLength_ + 4); }

 private:
  const Byte* at(std::size_t i) const;
  const Byte* data_;
  std::size_t keyLength_;
  NodeHead head_;
};

// Decodes the node at `offset` from its 512 bytes; throws Error(Corrupt)
// for anything that does not fit the format (nothing is read outside).
Node decodeNode(const Byte* data, std::uint32_t offset, const KeyShape& shape);

// Encodes `node` into `out` (512 bytes); false when it does not fit.
bool encodeNode(const Node& node, const KeyShape& shape, Byte* out);

// Bytes a leaf holding `entries` needs (header included); the node fits
// when this is at most kNodeSize.
std::size_t leafEncodedSize(const std::vector<CdxEntry>& entries, const KeyShape& shape);

// The parts of a leaf's size, for filling leaves one entry at a time: the
// key bytes `key` stores after `previous` (nullptr for a node's first key),
// and the packed-info bytes per entry when the highest record number is
// `maxRecno`. A leaf takes 24 + n * info + the sum of the key bytes.
std::size_t leafKeyBytes(const std::string* previous, const std::string& key, const KeyShape& shape);
std::size_t leafInfoBytes(std::uint32_t maxRecno, const KeyShape& shape);
inline constexpr std::size_t kLeafHeaderSize = 24;

// Where to cut an overflowing leaf so that both halves fit and their sizes
// are closest: the first entry of the right half; 0 when no cut fits.
std::size_t leafSplitPoint(const std::vector<CdxEntry>& entries, const KeyShape& shape);

// Entries an interior node holds at most.
inline std::size_t interiorCapacity(const KeyShape& shape) {
  return (kNodeSize - 12) / static_cast<std::size_t>(shape.length + 8);
}

}  // namespace xbase::cdx
