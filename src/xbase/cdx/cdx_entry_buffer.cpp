#include "xbase/cdx/cdx_entry_buffer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <queue>

#include "xbase/error.h"

namespace xbase::cdx {
namespace {

constexpr std::size_t kChunkBytes = 1 << 20;
constexpr std::size_t kSortItemBytes = 24;  // 16 record bytes + index, padded
constexpr std::size_t kRunReadBytes = 256 << 10;
constexpr std::size_t kBuckets = 1 << 16;  // one for each first two bytes

[[noreturn]] void spillFailed() { throw Error(ErrorCode::Io, "Cannot write the temporary file of an index build"); }

// Reads one sorted run back in blocks.
class RunReader {
 public:
  RunReader(std::FILE* file, std::size_t records, std::size_t recordSize)
      : file_(file),
        left_(records),
        recordSize_(recordSize),
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
      maxHeld_(holdsWholeKeys() ? std::max(kChunkBytes / sizeof(WholeKey), memoryBudget / sizeof(WholeKey))
                                : std::max<std::size_t>(perChunk_, memoryBudget / (recordSize_ + kSortItemBytes + 4))) {
}

void EntryBuffer::add(std::string_view key, std::uint32_t recno) {
  requireKeyLength(key.size(), keyLength_);
  if (total_ >= std::numeric_limits<std::uint32_t>::max()) throw Error(ErrorCode::Argument, "Too many index entries");
  if (held_ == maxHeld_) spill();
  if (holdsWholeKeys()) return addWhole(key, recno);
  if (held_ == chunks_.size() * perChunk_) chunks_.push_back(std::make_unique<Byte[]>(perChunk_ * recordSize_));
  Byte* p = chunks_[held_ / perChunk_].get() + (held_ % perChunk_) * recordSize_;
  std::memcpy(p, key.data(), keyLength_);
  putBe32(p + keyLength_, recno);
  ++held_;
  ++total_;
}

void EntryBuffer::addWhole(std::string_view key, std::uint32_t recno) {
  // Room for the budget's items at once: no copies while growing, and only
  // the pages the items reach are ever touched.
  if (whole_.capacity() == 0) whole_.reserve(maxHeld_);
  WholeKey& item = whole_.emplace_back();
  Byte bytes[kWholeKeyBytes] = {};
  std::memcpy(bytes, key.data(), keyLength_);
  for (std::size_t w = 0; w < 4; ++w) {
    std::memcpy(&item.words[w], bytes + 8 * w, 8);
    item.words[w] = __builtin_bswap64(item.words[w]);
  }
  item.recno = recno;
  ++held_;
  ++total_;
}

// The key bytes all items of [begin, end) share, counted from the start;
// they share the `depth` bytes before `depth` < 32 already. Stops at the
// first item that differs at `depth` (as most do in a bucket of many keys).
std::size_t EntryBuffer::sharedKeyBytes(const WholeKey* begin, const WholeKey* end, std::size_t depth) {
  const std::uint64_t atDepth = std::uint64_t{0xFF} << (56 - 8 * (depth % 8));
  std::uint64_t differ[4] = {};
  for (const WholeKey* item = begin; item != end; ++item) {
    for (std::size_t w = 0; w < 4; ++w) differ[w] |= item->words[w] ^ begin->words[w];
    if (differ[depth / 8] & atDepth) return depth;
  }
  for (std::size_t w = 0; w < 4; ++w)
    if (differ[w] != 0) return 8 * w + static_cast<std::size_t>(__builtin_clzll(differ[w])) / 8;
  return kWholeKeyBytes;
}

// Sorts on one key byte at a time: bytes all items share (a repeated name,
// the pad) are skipped at once, then the items are moved in place to the
// bucket of the first byte that differs (each swapped straight to where its
// bucket fills next) and each bucket is sorted on the bytes after. Past the
// first pass a bucket is small and near in memory. Few items left end in a
// comparison sort; items of one key, in a sort of their record numbers.
void EntryBuffer::sortWhole(WholeKey* begin, WholeKey* end, std::size_t depth) {
  constexpr std::size_t kFewItems = 48;
  if (static_cast<std::size_t>(end - begin) > kFewItems && depth < kWholeKeyBytes)
    depth = sharedKeyBytes(begin, end, depth);
  if (depth >= kWholeKeyBytes) {
    // One key throughout (a name many records share): only the record
    // numbers need ordering, and they are sorted on their own.
    std::vector<std::uint32_t> recnos;
    recnos.reserve(static_cast<std::size_t>(end - begin));
    for (const WholeKey* item = begin; item != end; ++item) recnos.push_back(item->recno);
    std::sort(recnos.begin(), recnos.end());
    for (std::size_t i = 0; i < recnos.size(); ++i) begin[i].recno = recnos[i];
    return;
  }
  if (static_cast<std::size_t>(end - begin) <= kFewItems) {
    std::sort(begin, end, [](const WholeKey& a, const WholeKey& b) {
      for (std::size_t w = 0; w < 4; ++w)
        if (a.words[w] != b.words[w]) return a.words[w] < b.words[w];
      return a.recno < b.recno;
    });
    return;
  }
  const auto byteOf = [depth](const WholeKey& item) {
    return static_cast<std::size_t>(item.words[depth / 8] >> (56 - 8 * (depth % 8)) & 0xFF);
  };
  std::array<std::size_t, 257> starts{};
  for (const WholeKey* item = begin; item != end; ++item) ++starts[byteOf(*item) + 1];
  for (std::size_t b = 0; b < 256; ++b) starts[b + 1] += starts[b];
  std::array<std::size_t, 256> next;
  std::copy(starts.begin(), starts.end() - 1, next.begin());
  for (std::size_t b = 0; b < 256; ++b) {
    for (; next[b] < starts[b + 1]; ++next[b]) {
      // The item out of place is carried along its cycle in registers and
      // put down once, where the cycle comes back to this bucket.
      WholeKey& here = begin[next[b]];
      std::size_t t = byteOf(here);
      if (t == b) continue;
      WholeKey carried = here;
      do {
        std::swap(carried, begin[next[t]++]);
        t = byteOf(carried);
      } while (t != b);
      here = carried;
    }
  }
  for (std::size_t b = 0; b < 256; ++b) sortWhole(begin + starts[b], begin + starts[b + 1], depth + 1);
}

void EntryBuffer::forEachHeldRecord(const std::function<void(const Byte*)>& visit) {
  if (!holdsWholeKeys()) {
    for (std::uint32_t index : sortedOrder()) visit(record(index));
    return;
  }
  sortWhole(whole_.data(), whole_.data() + whole_.size(), 0);
  Byte bytes[kWholeKeyBytes + 4];
  for (const WholeKey& item : whole_) {
    for (std::size_t w = 0; w < 4; ++w) {
      const std::uint64_t word = __builtin_bswap64(item.words[w]);
      std::memcpy(bytes + 8 * w, &word, 8);
    }
    putBe32(bytes + keyLength_, item.recno);
    visit(bytes);
  }
}

const Byte* EntryBuffer::record(std::size_t index) const {
  return chunks_[index / perChunk_].get() + (index % perChunk_) * recordSize_;
}

struct EntryBuffer::SortItem {
  // 16 bytes of the record from the depth being sorted, as two big-endian
  // numbers, and the record's index.
  std::uint64_t high;
  std::uint64_t low;
  std::uint32_t index;
  bool sameWords(const SortItem& other) const { return high == other.high && low == other.low; }
};

// The eight record bytes from `depth` on as one number that orders like
// them, zeros past the record's end.
std::uint64_t EntryBuffer::wordAt(const Byte* record, std::size_t depth) const {
  if (depth + 8 <= recordSize_) {
    std::uint64_t word;
    std::memcpy(&word, record + depth, 8);
    return __builtin_bswap64(word);
  }
  std::uint64_t word = 0;
  for (std::size_t b = 0; depth + b < recordSize_; ++b)
    word |= static_cast<std::uint64_t>(record[depth + b]) << (56 - 8 * b);
  return word;
}

void EntryBuffer::loadWords(SortItem& item, std::size_t depth) const {
  const Byte* p = record(item.index);
  item.high = wordAt(p, depth);
  item.low = wordAt(p, depth + 8);
}

// Sorts 16 bytes at a time: items are ordered on the bytes in hand, then
// each run of equal ones is sorted on the next 16 bytes. Keys with long
// shared beginnings (surnames, repeated names) thus never compare whole
// records, and a run's records are read in memory order.
void EntryBuffer::sortFrom(SortItem* begin, SortItem* end, std::size_t depth) const {
  std::sort(begin, end, [](const SortItem& a, const SortItem& b) {
    if (a.high != b.high) return a.high < b.high;
    return a.low != b.low ? a.low < b.low : a.index < b.index;
  });
  if (depth + 16 >= recordSize_) return;  // equal bytes here mean equal records
  for (SortItem* run = begin; run != end;) {
    SortItem* runEnd = run + 1;
    while (runEnd != end && runEnd->sameWords(*run)) ++runEnd;
    if (runEnd - run > 1) {
      for (SortItem* item = run; item != runEnd; ++item) loadWords(*item, depth + 16);
      sortFrom(run, runEnd, depth + 16);
    }
    run = runEnd;
  }
}

// The items are first placed by their first two record bytes (a counting
// pass, then each item straight into its bucket), and each bucket is sorted
// on its own: the comparisons of one large sort mostly tell apart what
// those bytes already separate.
std::vector<std::uint32_t> EntryBuffer::sortedOrder() const {
  const auto bucketOf = [&](std::size_t i) {
    const Byte* p = record(i);
    return recordSize_ > 1 ? std::size_t{p[0]} << 8 | p[1] : std::size_t{p[0]} << 8;
  };
  std::vector<std::uint32_t> starts(kBuckets + 1, 0);
  for (std::size_t i = 0; i < held_; ++i) ++starts[bucketOf(i) + 1];
  for (std::size_t b = 0; b < kBuckets; ++b) starts[b + 1] += starts[b];
  std::vector<SortItem> items(held_);
  std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
  for (std::size_t i = 0; i < held_; ++i) {
    SortItem& item = items[next[bucketOf(i)]++];
    item.index = static_cast<std::uint32_t>(i);
    loadWords(item, 0);
  }
  for (std::size_t b = 0; b < kBuckets; ++b)
    if (starts[b + 1] - starts[b] > 1) sortFrom(items.data() + starts[b], items.data() + starts[b + 1], 0);
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
  forEachHeldRecord([&](const Byte* p) {
    piece.insert(piece.end(), p, p + recordSize_);
    if (piece.size() >= kRunReadBytes) writePiece();
  });
  writePiece();
  if (std::fflush(file.get()) != 0) spillFailed();
  runs_.push_back(std::move(file));
  runSizes_.push_back(held_);
  held_ = 0;
  whole_.clear();
}

void EntryBuffer::forEachSorted(const std::function<void(std::string_view, std::uint32_t)>& visit) {
  if (!runs_.empty()) {
    if (held_ > 0) spill();
    chunks_.clear();
    whole_ = {};
    return mergeRuns(visit);
  }
  forEachHeldRecord([&](const Byte* p) {
    visit({reinterpret_cast<const char*>(p), keyLength_}, getBe32(p + keyLength_));
  });
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
