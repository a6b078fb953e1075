#include "xbase/cdx/cdx_node_store.h"

#include <algorithm>
#include <array>

#include "xbase/error.h"

namespace xbase::cdx {
namespace {

constexpr std::uint64_t kFreeListField = 4;         // in the file header
constexpr std::uint64_t kMaxFileSize = 0xFFFFFE00;  // node offsets are 32-bit
constexpr std::size_t kBatchBytes = 1 << 20;

std::uint64_t nodeAlignedEnd(std::uint64_t size) {
  return std::max<std::uint64_t>((size + kNodeSize - 1) / kNodeSize * kNodeSize, kHeaderSize);
}

}  // namespace

void NodeStore::readRaw(std::uint32_t offset, NodeBytes& bytes) const {
  if (batching_ && offset >= batchStart_ && offset % kNodeSize == 0 && offset - batchStart_ < batch_.size()) {
    std::copy_n(batch_.begin() + static_cast<std::ptrdiff_t>(offset - batchStart_), kNodeSize, bytes.begin());
    return;
  }
  if (offset % kNodeSize != 0 || offset < kHeaderSize ||
      file_.readSomeAt(offset, bytes.data(), bytes.size()) != bytes.size())
    throw Error(ErrorCode::Corrupt, "Index node pointer " + std::to_string(offset) + " lies outside the index file");
}

Node NodeStore::read(std::uint32_t offset, const KeyShape& shape) const {
  NodeBytes bytes;
  readRaw(offset, bytes);
  return decodeNode(bytes.data(), offset, shape);
}

void NodeStore::write(const Node& node, const KeyShape& shape) {
  NodeBytes bytes;
  if (!encodeNode(node, shape, bytes.data()))
    throw Error(ErrorCode::Argument, "Index node at " + std::to_string(node.offset) + " overflows");
  if (batching_ && node.offset >= batchStart_) {
    std::copy(bytes.begin(), bytes.end(), batch_.begin() + static_cast<std::ptrdiff_t>(node.offset - batchStart_));
    return;
  }
  file_.writeAt(node.offset, bytes.data(), bytes.size());
}

std::uint32_t NodeStore::allocate() {
  if (batching_) {
    if (!freeListEmpty_) {
      if (std::uint32_t reused = popFreeNode()) return reused;
      freeListEmpty_ = true;
    }
    if (batch_.size() >= kBatchBytes) writeBatch();
    const std::uint64_t offset = batchStart_ + batch_.size();
    if (offset > kMaxFileSize) throw Error(ErrorCode::Io, "Index file would exceed 4 GiB");
    batch_.resize(batch_.size() + kNodeSize);
    return static_cast<std::uint32_t>(offset);
  }
  if (std::uint32_t reused = popFreeNode()) return reused;
  const std::uint64_t offset = nodeAlignedEnd(file_.size());
  if (offset > kMaxFileSize) throw Error(ErrorCode::Io, "Index file would exceed 4 GiB");
  // Written at once so the next allocation sees the file grown.
  const NodeBytes zeros{};
  file_.writeAt(offset, zeros.data(), zeros.size());
  return static_cast<std::uint32_t>(offset);
}

void NodeStore::beginBatch() {
  batching_ = true;
  freeListEmpty_ = false;
  batchStart_ = nodeAlignedEnd(file_.size());
  batch_.clear();
  batch_.reserve(kBatchBytes);
}

// Nodes allocated but not yet written go out as zeros, as allocate() leaves
// them; their later writes lie before the batch and go straight to the file.
void NodeStore::writeBatch() {
  file_.writeAt(batchStart_, batch_.data(), batch_.size());
  batchStart_ += batch_.size();
  batch_.clear();
}

void NodeStore::endBatch() {
  writeBatch();
  batching_ = false;
  batch_ = {};
}

void NodeStore::dropBatch() {
  batching_ = false;
  batch_ = {};
}

std::uint32_t NodeStore::popFreeNode() {
  if (freeListUnusable_) return 0;
  Byte field[4];
  file_.readAt(kFreeListField, field, sizeof field);
  const std::uint32_t head = getLe32(field);
  if (head == 0 || head == kNoNode) return 0;
  NodeBytes bytes;
  const std::uint64_t size = file_.size();
  bool ours = plausibleNodeOffset(head, size) && file_.readSomeAt(head, bytes.data(), bytes.size()) == bytes.size() &&
              std::all_of(bytes.begin() + 4, bytes.end(), [](Byte b) { return b == 0; });
  const std::uint32_t next = ours ? getLe32(bytes.data()) : 0;
  if (next != 0 && !plausibleNodeOffset(next, size)) ours = false;
  if (!ours) {
    freeListUnusable_ = true;
    return 0;
  }
  putLe32(field, next);
  file_.writeAt(kFreeListField, field, sizeof field);
  return head;
}

void NodeStore::release(std::uint32_t offset) {
  if (freeListUnusable_) return;  // leave it unreferenced rather than mix chains
  Byte field[4];
  file_.readAt(kFreeListField, field, sizeof field);
  std::uint32_t head = getLe32(field);
  if (head == kNoNode) head = 0;
  NodeBytes bytes{};
  putLe32(bytes.data(), head);
  file_.writeAt(offset, bytes.data(), bytes.size());
  putLe32(field, offset);
  file_.writeAt(kFreeListField, field, sizeof field);
}

std::uint32_t NodeStore::readRoot(std::uint32_t headerOffset) const {
  Byte field[4];
  file_.readAt(headerOffset, field, sizeof field);
  return getLe32(field);
}

void NodeStore::writeRoot(std::uint32_t headerOffset, std::uint32_t root) {
  Byte field[4];
  putLe32(field, root);
  file_.writeAt(headerOffset, field, sizeof field);
}

}  // namespace xbase::cdx
