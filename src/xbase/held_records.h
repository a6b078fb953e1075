#pragma once

// The records a run of held memo reads looks up for their memo pointers
// (see Table::heldRecord), read through buffers instead of one read each:
// a window that grows while records are met in file order and, once
// records keep being met out of order (a walk in index order), whole
// blocks of records kept for the rest of the run up to a bound, so that a
// long walk reads each part of the table about once.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "xbase/dbf_file.h"

namespace xbase {

class HeldRecords {
 public:
  // Record `recno` of `dbf` into `out` (valid until the next call); false
  // when there is no such record.
  bool find(DbfFile& dbf, std::uint32_t recno, std::string_view& out);
  void clear();

 private:
  bool fromBlock(DbfFile& dbf, std::uint32_t recno, std::string_view& out);

  std::string window_;  // records first_ on, count_ of them
  std::uint32_t first_ = 0, count_ = 0, want_ = 0;
  std::uint32_t jumps_ = 0;                                // records met out of order in this run
  std::unordered_map<std::uint32_t, std::string> blocks_;  // by block number
  std::size_t blockBytes_ = 0;
};

}  // namespace xbase
