#pragma once

// The entries of a bulk build, held compactly and handed out sorted.
//
// Keys of up to 32 bytes (names and most tags) are held whole in fixed
// items of four big-endian words and the record number, sorted in place:
// comparisons are a few integer compares and never reach elsewhere in
// memory, however many keys repeat.
//
// Longer keys are held as one flat record of key bytes + big-endian record
// number per entry (so records compare bytewise as (key, record number)), in
// fixed chunks with no reallocation peaks. Sorting goes through an array of
// (16 record bytes, index) pairs, 16 bytes deeper for each run of equal ones,
// so that comparisons never touch the records.
//
// Memory stays bounded: when the entries held reach the budget, they are
// sorted and written to an anonymous temporary file as one run, and the
// sorted output merges the runs.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "xbase/cdx/cdx_format.h"

namespace xbase::cdx {

class EntryBuffer {
 public:
  static constexpr std::size_t kDefaultBudget = 40u << 20;

  // `memoryBudget`: bytes for the records plus their sort array.
  explicit EntryBuffer(int keyLength, std::size_t memoryBudget = kDefaultBudget);

  // Error(Argument) when the key does not have the key length.
  void add(std::string_view key, std::uint32_t recno);
  std::size_t size() const { return total_; }
  std::size_t runCount() const { return runs_.size(); }

  // Hands every entry out once, in ascending (key, record number) order.
  void forEachSorted(const std::function<void(std::string_view key, std::uint32_t recno)>& visit);

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  using RunFile = std::unique_ptr<std::FILE, FileCloser>;

  struct WholeKey {
    std::uint64_t words[4];  // the key's bytes, big-endian, zeros past its end
    std::uint32_t recno;
  };
  static constexpr std::size_t kWholeKeyBytes = 32;
  bool holdsWholeKeys() const { return keyLength_ <= kWholeKeyBytes; }
  void addWhole(std::string_view key, std::uint32_t recno);
  static std::size_t sharedKeyBytes(const WholeKey* begin, const WholeKey* end, std::size_t depth);
  static void sortWhole(WholeKey* begin, WholeKey* end, std::size_t depth);
  // Hands out the held entries in order, each as its record bytes.
  void forEachHeldRecord(const std::function<void(const Byte* record)>& visit);

  const Byte* record(std::size_t index) const;
  struct SortItem;
  std::uint64_t wordAt(const Byte* record, std::size_t depth) const;
  void loadWords(SortItem& item, std::size_t depth) const;
  void sortFrom(SortItem* begin, SortItem* end, std::size_t depth) const;
  std::vector<std::uint32_t> sortedOrder() const;
  void spill();
  void mergeRuns(const std::function<void(std::string_view, std::uint32_t)>& visit);

  std::size_t keyLength_;
  std::size_t recordSize_;
  std::size_t perChunk_;
  std::size_t maxHeld_;  // entries held in memory before a spill
  std::size_t held_ = 0;
  std::size_t total_ = 0;
  std::vector<std::unique_ptr<Byte[]>> chunks_;
  std::vector<WholeKey> whole_;
  std::vector<RunFile> runs_;
  std::vector<std::size_t> runSizes_;
};

}  // namespace xbase::cdx
