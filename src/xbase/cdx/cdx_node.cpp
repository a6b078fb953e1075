#include "xbase/cdx/cdx_node.h"

#include <algorithm>
#include <cstring>

#include "xbase/error.h"

namespace xbase::cdx {
namespace {

constexpr std::size_t kLeafHeader = kLeafHeaderSize;
constexpr std::size_t kInteriorHeader = 12;
constexpr std::uint16_t kAttrRoot = 1;
constexpr std::uint16_t kAttrLeaf = 2;

[[noreturn]] void corrupt(std::uint32_t offset, const std::string& what) {
  throw Error(ErrorCode::Corrupt, "Index node at " + std::to_string(offset) + ": " + what);
}

int bitWidth(std::uint64_t value) { return value == 0 ? 0 : 64 - __builtin_clzll(value); }

std::uint64_t lowMask(int bits) { return bits >= 64 ? ~0ULL : ((1ULL << bits) - 1); }

// Eight bytes at a time from the end: in a word read little endian the
// last byte is the highest, so the pad bytes ending it are its leading
// equal bytes.
int trailingPad(std::string_view key, char pad) {
  const std::uint64_t pads = 0x0101010101010101ULL * static_cast<unsigned char>(pad);
  std::size_t end = key.size();
  for (; end >= 8; end -= 8) {
    std::uint64_t word;
    std::memcpy(&word, key.data() + end - 8, 8);
    if (word != pads) return static_cast<int>(key.size() - end) + __builtin_clzll(word ^ pads) / 8;
  }
  while (end > 0 && key[end - 1] == pad) --end;
  return static_cast<int>(key.size() - end);
}

// The bytes the first `limit` of `a` and `b` share from the start, compared
// eight at a time.
int sharedPrefix(const char* a, const char* b, int limit) {
  int n = 0;
  for (; n + 8 <= limit; n += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + __builtin_ctzll(x ^ y) / 8;  // the lowest differing byte (little endian)
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// How one leaf's entries are packed: the widths of the three bit fields and
// the bytes each entry's packed word takes.
struct LeafLayout {
  int recnoBits = 0;
  int countBits = 0;  // duplicate and trailing counts use the same width
  int entryBytes = 0;
};

LeafLayout leafLayout(std::uint32_t maxRecno, const KeyShape& shape) {
  LeafLayout layout;
  layout.countBits = bitWidth(static_cast<std::uint64_t>(shape.length));
  const int needed = std::max(1, bitWidth(maxRecno)) + 2 * layout.countBits;
  layout.entryBytes = (needed + 7) / 8;
  // Record numbers take every spare bit, as other writers do, but at most
  // the 32 that the header's record-number mask can describe.
  layout.recnoBits = std::min(32, layout.entryBytes * 8 - 2 * layout.countBits);
  return layout;
}

LeafLayout leafLayout(const std::vector<CdxEntry>& entries, const KeyShape& shape) {
  std::uint32_t maxRecno = 0;
  for (const auto& e : entries) maxRecno = std::max(maxRecno, e.recno);
  return leafLayout(maxRecno, shape);
}

// Duplicate and trailing counts of each entry against its predecessor. The
// shared prefix never reaches into the predecessor's trailing pad bytes:
// some readers rebuild the predecessor without them, and a shorter count
// decodes the same everywhere.
struct Packing {
  int dup = 0;
  int trail = 0;
};

Packing packEntry(const std::string* previous, int previousTrail, const std::string& key, const KeyShape& shape) {
  Packing p;
  p.trail = trailingPad(key, shape.pad);
  if (!previous) return p;
  p.dup = sharedPrefix(previous->data(), key.data(), std::min(shape.length - previousTrail, shape.length - p.trail));
  return p;
}

std::vector<Packing> leafPacking(const std::vector<CdxEntry>& entries, const KeyShape& shape) {
  std::vector<Packing> out(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    out[i] = i == 0 ? packEntry(nullptr, 0, entries[i].key, shape)
                    : packEntry(&entries[i - 1].key, out[i - 1].trail, entries[i].key, shape);
  return out;
}

void checkKeys(const std::vector<CdxEntry>& entries, const KeyShape& shape) {
  for (const auto& e : entries) requireKeyLength(e.key.size(), static_cast<std::size_t>(shape.length));
}

void encodeLeaf(const Node& node, const KeyShape& shape, Byte* out, const LeafLayout& layout,
                const std::vector<Packing>& packing, std::size_t total) {
  putLe16(out + 12, static_cast<std::uint32_t>(kNodeSize - total));
  putLe32(out + 14, static_cast<std::uint32_t>(lowMask(layout.recnoBits)));
  out[18] = static_cast<Byte>(lowMask(layout.countBits));
  out[19] = static_cast<Byte>(lowMask(layout.countBits));
  out[20] = static_cast<Byte>(layout.recnoBits);
  out[21] = static_cast<Byte>(layout.countBits);
  out[22] = static_cast<Byte>(layout.countBits);
  out[23] = static_cast<Byte>(layout.entryBytes);
  std::size_t keyEnd = kNodeSize;
  for (std::size_t i = 0; i < node.entries.size(); ++i) {
    const auto& [dup, trail] = packing[i];
    const std::uint64_t packed = node.entries[i].recno | (static_cast<std::uint64_t>(dup) << layout.recnoBits) |
                                 (static_cast<std::uint64_t>(trail) << (layout.recnoBits + layout.countBits));
    for (int b = 0; b < layout.entryBytes; ++b)
      out[kLeafHeader + i * static_cast<std::size_t>(layout.entryBytes) + static_cast<std::size_t>(b)] =
          static_cast<Byte>(packed >> (8 * b));
    const std::size_t stored = static_cast<std::size_t>(shape.length - dup - trail);
    keyEnd -= stored;
    std::memcpy(out + keyEnd, node.entries[i].key.data() + dup, stored);
  }
}

std::size_t storedBytes(const std::vector<Packing>& packing, const KeyShape& shape) {
  std::size_t sum = 0;
  for (const auto& p : packing) sum += static_cast<std::size_t>(shape.length - p.dup - p.trail);
  return sum;
}

}  // namespace

std::size_t leafEncodedSize(const std::vector<CdxEntry>& entries, const KeyShape& shape) {
  const LeafLayout layout = leafLayout(entries, shape);
  return kLeafHeader + entries.size() * static_cast<std::size_t>(layout.entryBytes) +
         storedBytes(leafPacking(entries, shape), shape);
}

std::size_t leafKeyBytes(const std::string* previous, const std::string& key, const KeyShape& shape) {
  const int previousTrail = previous ? trailingPad(*previous, shape.pad) : 0;
  const Packing p = packEntry(previous, previousTrail, key, shape);
  return static_cast<std::size_t>(shape.length - p.dup - p.trail);
}

std::size_t leafInfoBytes(std::uint32_t maxRecno, const KeyShape& shape) {
  return static_cast<std::size_t>(leafLayout(maxRecno, shape).entryBytes);
}

std::size_t leafSplitPoint(const std::vector<CdxEntry>& entries, const KeyShape& shape) {
  const std::size_t n = entries.size();
  const std::vector<Packing> packing = leafPacking(entries, shape);
  // Prefix sums of stored key bytes and running record-number maxima from
  // both ends give each candidate cut's two sizes in constant time.
  std::vector<std::size_t> storedBefore(n + 1, 0);
  std::vector<std::uint32_t> maxBefore(n + 1, 0), maxFrom(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    storedBefore[i + 1] = storedBefore[i] + static_cast<std::size_t>(shape.length - packing[i].dup - packing[i].trail);
    maxBefore[i + 1] = std::max(maxBefore[i], entries[i].recno);
  }
  for (std::size_t i = n; i-- > 0;) maxFrom[i] = std::max(maxFrom[i + 1], entries[i].recno);
  std::size_t best = 0;
  std::size_t bestSize = 0;
  for (std::size_t k = 1; k < n; ++k) {
    const std::size_t leftSize = kLeafHeader +
                                 k * static_cast<std::size_t>(leafLayout(maxBefore[k], shape).entryBytes) +
                                 storedBefore[k];
    // The right half's first key is stored whole (it has no predecessor).
    const std::size_t rightSize = kLeafHeader +
                                  (n - k) * static_cast<std::size_t>(leafLayout(maxFrom[k], shape).entryBytes) +
                                  static_cast<std::size_t>(shape.length - packing[k].trail) +
                                  (storedBefore[n] - storedBefore[k + 1]);
    const std::size_t worst = std::max(leftSize, rightSize);
    if (worst <= kNodeSize && (best == 0 || worst < bestSize)) {
      best = k;
      bestSize = worst;
    }
  }
  return best;
}

NodeHead readNodeHead(const Byte* data, std::uint32_t offset) {
  const std::uint16_t attributes = getLe16(data);
  if (attributes > (kAttrRoot | kAttrLeaf)) corrupt(offset, "unknown node attributes");
  return NodeHead{(attributes & kAttrLeaf) != 0, (attributes & kAttrRoot) != 0, getLe16(data + 2), getLe32(data + 4),
                  getLe32(data + 8)};
}

LeafReader::LeafReader(const Byte* data, std::uint32_t offset, const KeyShape& shape)
    : data_(data),
      offset_(offset),
      keyLength_(static_cast<std::size_t>(shape.length)),
      pad_(shape.pad),
      head_(readNodeHead(data, offset)) {
  if (!head_.leaf) corrupt(offset, "expected a leaf");
  recnoBits_ = data[20];
  dupBits_ = data[21];
  trailBits_ = data[22];
  entryBytes_ = data[23];
  if (head_.count > 0 && (entryBytes_ < 1 || entryBytes_ > 8 || recnoBits_ > 32 || dupBits_ > 16 || trailBits_ > 16 ||
                          static_cast<std::size_t>(recnoBits_ + dupBits_ + trailBits_) > entryBytes_ * 8))
    corrupt(offset, "impossible bit widths in a leaf");
  if (head_.count * entryBytes_ > kNodeSize - kLeafHeader) corrupt(offset, "too many keys for a leaf");
  infoEnd_ = kLeafHeader + head_.count * entryBytes_;
  entry_.key.assign(keyLength_, pad_);
}

// Each key is its predecessor's first `dup` bytes (the predecessor counts as
// padded to full length, which it is here), then its stored bytes, then
// `trail` pad bytes: rebuilt in place in the one reused key.
bool LeafReader::next() {
  if (index_ == head_.count) return false;
  std::uint64_t packed = 0;
  for (std::size_t b = 0; b < entryBytes_; ++b)
    packed |= static_cast<std::uint64_t>(data_[kLeafHeader + index_ * entryBytes_ + b]) << (8 * b);
  const auto dup = static_cast<std::size_t>((packed >> recnoBits_) & lowMask(dupBits_));
  const auto trail = static_cast<std::size_t>((packed >> (recnoBits_ + dupBits_)) & lowMask(trailBits_));
  if (dup + trail > keyLength_) corrupt(offset_, "leaf key counts exceed the key length");
  if (index_ == 0 && dup > 0) corrupt(offset_, "first leaf key shares bytes with nothing");
  const std::size_t stored = keyLength_ - dup - trail;
  if (keyEnd_ < infoEnd_ + stored) corrupt(offset_, "leaf keys overlap their entry table");
  keyEnd_ -= stored;
  entry_.recno = static_cast<std::uint32_t>(packed & lowMask(recnoBits_));
  entry_.key.replace(dup, stored, reinterpret_cast<const char*>(data_ + keyEnd_), stored);
  entry_.key.replace(dup + stored, trail, trail, pad_);
  ++index_;
  return true;
}

InteriorView::InteriorView(const Byte* data, std::uint32_t offset, const KeyShape& shape)
    : data_(data), keyLength_(static_cast<std::size_t>(shape.length)), head_(readNodeHead(data, offset)) {
  if (head_.leaf) corrupt(offset, "expected an interior node");
  if (head_.count == 0) corrupt(offset, "interior node without keys");
  if (head_.count * (keyLength_ + 8) > kNodeSize - kInteriorHeader)
    corrupt(offset, "too many keys for an interior node");
}

const Byte* InteriorView::at(std::size_t i) const { return data_ + kInteriorHeader + i * (keyLength_ + 8); }

Node decodeNode(const Byte* data, std::uint32_t offset, const KeyShape& shape) {
  const NodeHead head = readNodeHead(data, offset);
  Node node;
  node.offset = offset;
  node.leaf = head.leaf;
  node.root = head.root;
  node.left = head.left;
  node.right = head.right;
  node.entries.reserve(head.count);
  if (head.leaf) {
    for (LeafReader reader(data, offset, shape); reader.next();) node.entries.push_back(reader.entry());
    return node;
  }
  const InteriorView view(data, offset, shape);
  node.children.reserve(head.count);
  for (std::size_t i = 0; i < view.count(); ++i) {
    node.entries.push_back({std::string(view.key(i)), view.recno(i)});
    node.children.push_back(view.child(i));
  }
  return node;
}

bool encodeNode(const Node& node, const KeyShape& shape, Byte* out) {
  checkKeys(node.entries, shape);
  std::memset(out, 0, kNodeSize);
  putLe16(out, (node.leaf ? kAttrLeaf : 0) | (node.root ? kAttrRoot : 0));
  putLe16(out + 2, static_cast<std::uint32_t>(node.entries.size()));
  putLe32(out + 4, node.left);
  putLe32(out + 8, node.right);
  if (!node.leaf) {
    if (node.entries.size() > interiorCapacity(shape) || node.children.size() != node.entries.size()) return false;
    const std::size_t entrySize = static_cast<std::size_t>(shape.length) + 8;
    for (std::size_t i = 0; i < node.entries.size(); ++i) {
      Byte* p = out + kInteriorHeader + i * entrySize;
      std::memcpy(p, node.entries[i].key.data(), static_cast<std::size_t>(shape.length));
      putBe32(p + shape.length, node.entries[i].recno);
      putBe32(p + shape.length + 4, node.children[i]);
    }
    return true;
  }
  const LeafLayout layout = leafLayout(node.entries, shape);
  const std::vector<Packing> packing = leafPacking(node.entries, shape);
  const std::size_t total = kLeafHeader + node.entries.size() * static_cast<std::size_t>(layout.entryBytes) +
                            storedBytes(packing, shape);
  if (total > kNodeSize) return false;
  encodeLeaf(node, shape, out, layout, packing, total);
  return true;
}

}  // namespace xbase::cdx
