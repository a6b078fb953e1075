#pragma once

// The entries of a bulk build, held compactly and sorted: one flat record
// of key bytes + big-endian record number per entry, in fixed chunks (no
// reallocation peaks), sorted through an array of (8-byte prefix, index)
// pairs so that most comparisons never touch the records.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "xbase/cdx_format.h"

namespace xbase::cdx {

class EntryBuffer {
 public:
  explicit EntryBuffer(int keyLength);

  // Error(Argument) when the key does not have the key length.
  void add(std::string_view key, std::uint32_t recno);
  std::size_t size() const { return count_; }

  // Orders the entries by key, then record number; `at` reads them in that
  // order afterwards.
  void sort();
  std::string_view keyAt(std::size_t i) const;
  std::uint32_t recnoAt(std::size_t i) const;

 private:
  const Byte* record(std::size_t index) const;

  std::size_t keyLength_;
  std::size_t recordSize_;
  std::size_t perChunk_;
  std::size_t count_ = 0;
  std::vector<std::unique_ptr<Byte[]>> chunks_;
  std::vector<std::uint32_t> order_;
};

}  // namespace xbase::cdx
