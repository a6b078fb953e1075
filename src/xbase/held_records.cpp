#include "xbase/held_records.h"

#include <algorithm>

namespace xbase {
namespace {

constexpr std::size_t kLargestWindow = 256 * 1024;
// A few jumps are read one record each (a short walk stays cheap); past
// them, blocks of this size are read and kept, together at most the bound
// (more than a million entries' records), then dropped and read afresh.
constexpr std::uint32_t kJumpsBeforeBlocks = 64;
constexpr std::size_t kBlockBytes = 64 * 1024;
constexpr std::size_t kMostBlockBytes = 64 * 1024 * 1024;

}  // namespace

void HeldRecords::clear() {
  window_.clear();
  first_ = count_ = want_ = jumps_ = 0;
  blocks_.clear();
  blockBytes_ = 0;
}

bool HeldRecords::find(DbfFile& dbf, std::uint32_t recno, std::string_view& out) {
  if (recno == 0) return false;
  const std::size_t length = dbf.header().recordLength;
  if (recno < first_ || recno >= first_ + count_) {
    const bool onward = count_ > 0 && recno >= first_ && recno <= first_ + count_ + 8;
    if (!onward && ++jumps_ > kJumpsBeforeBlocks) {
      count_ = 0;  // from now on the blocks serve every record
      return fromBlock(dbf, recno, out);
    }
    const auto most = static_cast<std::uint32_t>(std::max<std::size_t>(8, kLargestWindow / length));
    // A jump reads just the one record; a walk on in file order, more each time.
    want_ = onward ? std::min(std::max<std::uint32_t>(want_ * 2, 8), most) : 1;
    if (recno > dbf.knownCount()) dbf.refreshCount();
    first_ = recno;
    count_ = dbf.readBlock(recno, want_, window_);
    if (count_ == 0) return false;
  }
  out = std::string_view(window_).substr((recno - first_) * length, length);
  return true;
}

bool HeldRecords::fromBlock(DbfFile& dbf, std::uint32_t recno, std::string_view& out) {
  const std::size_t length = dbf.header().recordLength;
  const auto perBlock = static_cast<std::uint32_t>(std::max<std::size_t>(1, kBlockBytes / length));
  const std::uint32_t number = (recno - 1) / perBlock;
  const std::uint32_t first = number * perBlock + 1;
  auto block = blocks_.find(number);
  // A record added since its block was read is not in it: read the block again.
  if (block == blocks_.end() || (recno - first) * length >= block->second.size()) {
    if (block != blocks_.end()) {
      blockBytes_ -= block->second.size();
      blocks_.erase(block);
    }
    if (blockBytes_ + perBlock * length > kMostBlockBytes) {
      blocks_.clear();
      blockBytes_ = 0;
    }
    if (recno > dbf.knownCount()) dbf.refreshCount();
    std::string bytes;
    const std::uint32_t got = dbf.readBlock(first, perBlock, bytes);
    if (got <= recno - first) return false;
    bytes.resize(got * length);
    blockBytes_ += bytes.size();
    block = blocks_.emplace(number, std::move(bytes)).first;
  }
  out = std::string_view(block->second).substr((recno - first) * length, length);
  return true;
}

}  // namespace xbase
