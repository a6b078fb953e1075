#include "xbase/cdx_entry_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <queue>

#include "xbase/error.h"

namespace xbase::cdx {
namespace {

constexpr std::size_t kChunkBytes = 1 << 20;
constexpr std::size_t kSortItemBytes = 16;   // prefix + index, padded
constexpr std::size_t kRunReadBytes = 256 << 10;

[[noreturn]] void spillFailed() {
  throw Error(ErrorCode::Io, "Cannot write the temporary file of an index build");
}

// Reads one sorted run back in blocks.
class RunReader {
 public:
  RunReader(std::FILE* file, std::size_t records, std::size_t recordSize)
      : file_(file), left_(records), recordSize_(recordSize),
        buffer_(std::max<std::size_t>(1, kRunReadBytes / recordSize) * recordSize) {
    if (std::fseek(file_, 0, SEEK_SET) != 0) spillFailed();
    refill();
  }
  bool done() const { return at_ == filled_; }
  const Byte* current() const { return buffer_.data() + at_; }
  void advance() {
    at_ += recordSize_;
    if (at_ == filled_) refill();
  }

 private:
  void refill() {
    const std::size_t records = std::min(left_, buffer_.size() / recordSize_);
    if (records > 0 && std::fread(buffer_.data(), recordSize_, records, file_) != records) spillFailed();
    left_ -= records;
    at_ = 0;
    filled_ = records * recordSize_;
  }
  std::FILE* file_;
  std::size_t left_;
  std::size_t recordSize_;
  std::vector<Byte> buffer_;
  std::size_t at_ = 0;
  std::size_t filled_ = 0;
};

}  // namespace

EntryBuffer::EntryBuffer(int keyLength, std::size_t memoryBudget)
    : keyLength_(static_cast<std::size_t>(keyLength)),
      recordSize_(keyLength_ + 4),
      perChunk_(kChunkBytes / recordSize_),
      maxHeld_(std::max<std::size_t>(perChunk_, memoryBudget / (recordSize_ + kSortItemBytes + 4))) {}

void EntryBuffer::add(std::string_view key, std::uint32_t recno) {
  requireKeyLength(key.size(), keyLength_);
  if (total_ >= std::numeric_limits<std::uint32_t>::max()) throw Error(ErrorCode::Argument, "Too many index entries");
  if (held_ == maxHeld_) spill();
  if (held_ == chunks_.size() * perChunk_) chunks_.push_back(std::make_unique<Byte[]>(perChunk_ * recordSize_));
  Byte* p = chunks_[held_ / perChunk_].get() + (held_ % perChunk_) * recordSize_;
  std::memcpy(p, key.data(), keyLength_);
  putBe32(p + keyLength_, recno);
  ++held_;
  ++total_;
}

const Byte* EntryBuffer::record(std::size_t index) const {
  return chunks_[index / perChunk_].get() + (index % perChunk_) * recordSize_;
}

std::vector<std::uint32_t> EntryBuffer::sortedOrder() const {
  struct Item {
    std::uint64_t prefix;
    std::uint32_t index;
  };
  std::vector<Item> items(held_);
  for (std::size_t i = 0; i < held_; ++i) {
    const Byte* p = record(i);
    std::uint64_t prefix = 0;
    for (std::size_t b = 0; b < 8; ++b) prefix = (prefix << 8) | (b < recordSize_ ? p[b] : 0);
    items[i] = {prefix, static_cast<std::uint32_t>(i)};
  }
  std::sort(items.begin(), items.end(), [this](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return std::memcmp(record(a.index), record(b.index), recordSize_) < 0;
  });
  std::vector<std::uint32_t> order(held_);
  for (std::size_t i = 0; i < held_; ++i) order[i] = items[i].index;
  return order;
}

void EntryBuffer::spill() {
  RunFile file(std::tmpfile());
  if (!file) spillFailed();
  // Gathered into large pieces: the stream's own buffer is only a few KB.
  std::vector<Byte> piece;
  piece.reserve(kRunReadBytes + recordSize_);
  const auto writePiece = [&] {
    if (!piece.empty() && std::fwrite(piece.data(), piece.size(), 1, file.get()) != 1) spillFailed();
    piece.clear();
  };
  for (std::uint32_t index : sortedOrder()) {
    piece.insert(piece.end(), record(index), record(index) + recordSize_);
    if (piece.size() >= kRunReadBytes) writePiece();
  }
  writePiece();
  if (std::fflush(file.get()) != 0) spillFailed();
  runs_.push_back(std::move(file));
  runSizes_.push_back(held_);
  held_ = 0;
}

void EntryBuffer::forEachSorted(const std::function<void(std::string_view, std::uint32_t)>& visit) {
  if (!runs_.empty()) {
    if (held_ > 0) spill();
    chunks_.clear();
    return mergeRuns(visit);
  }
  for (std::uint32_t index : sortedOrder()) {
    const Byte* p = record(index);
    visit({reinterpret_cast<const char*>(p), keyLength_}, getBe32(p + keyLength_));
  }
}

void EntryBuffer::mergeRuns(const std::function<void(std::string_view, std::uint32_t)>& visit) {
  std::vector<RunReader> readers;
  readers.reserve(runs_.size());
  for (std::size_t i = 0; i < runs_.size(); ++i) readers.emplace_back(runs_[i].get(), runSizes_[i], recordSize_);
  auto greater = [&](std::size_t a, std::size_t b) {
    return std::memcmp(readers[a].current(), readers[b].current(), recordSize_) > 0;
  };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(greater)> heap(greater);
  for (std::size_t i = 0; i < readers.size(); ++i)
    if (!readers[i].done()) heap.push(i);
  while (!heap.empty()) {
    const std::size_t i = heap.top();
    heap.pop();
    const Byte* p = readers[i].current();
    visit({reinterpret_cast<const char*>(p), keyLength_}, getBe32(p + keyLength_));
    readers[i].advance();
    if (!readers[i].done()) heap.push(i);
  }
}

}  // namespace xbase::cdx
