#include "xbase/dbf_file.h"

#include <algorithm>

#include "xbase/date.h"
#include "xbase/dbf_bytes.h"
#include "xbase/error.h"

namespace xbase {

namespace {

constexpr std::size_t kGatheredBytes = 1 << 20;  // gathered records written at once

}  // namespace

// Write order (what a crash at any byte leaves behind):
//   append:  memo blocks and the memo header are written first (by the
//            caller), then the record together with the end-of-file mark
//            after it, then the header's date and count in one write. Until
//            the count is written the new record lies beyond the count and
//            is not part of the table; every earlier record is untouched.
//   rewrite: the record's bytes in one write at its own place (new memo
//            blocks were written before it), then the header date. Other
//            records are never touched.

void DbfFile::create(const std::filesystem::path& path, const DbfHeader& header) {
  File file(path, File::Access::ReadWrite, File::Create::Exclusive);
  std::string image = header.serialize();
  image.push_back(0x1A);
  file.writeAt(0, image);
}

DbfFile::DbfFile(File file) : file_(std::move(file)) {
  const std::string name = this->name();
  const std::uint64_t size = file_.size();
  std::string fixed(DbfHeader::kFixedSize, '\0');
  if (file_.readSomeAt(0, fixed.data(), fixed.size()) != fixed.size())
    throw Error(ErrorCode::Corrupt, name + " is not a readable table: the file is shorter than a table header");
  std::uint16_t length = DbfHeader::announcedLength(fixed, name);
  if (length > size)
    throw Error(ErrorCode::Corrupt, name + " is not a readable table: header length " + std::to_string(length) +
                                        " is beyond the end of the file");
  std::string bytes(length, '\0');
  file_.readAt(0, bytes.data(), bytes.size());
  header_ = DbfHeader::parse(bytes, name);
  count_ = countInFile(header_.recordCount);
}

std::uint32_t DbfFile::countInFile(std::uint32_t headerCount) const {
  const std::uint64_t size = file_.size();
  if (size <= header_.headerLength) return 0;
  const std::uint64_t whole = (size - header_.headerLength) / header_.recordLength;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(headerCount, whole));
}

std::uint32_t DbfFile::refreshCount() {
  writeGathered();
  char bytes[4];
  file_.readAt(4, bytes, 4);
  count_ = countInFile(readLe32(bytes));
  return count_;
}

std::uint64_t DbfFile::offsetOf(std::uint32_t recno) const {
  return header_.headerLength + static_cast<std::uint64_t>(recno - 1) * header_.recordLength;
}

bool DbfFile::readRecord(std::uint32_t recno, std::string& out) const {
  if (recno == 0 || recno > count_) return false;
  if (recno > storedCount()) {
    out.assign(gathered_, static_cast<std::size_t>(recno - storedCount() - 1) * header_.recordLength,
               header_.recordLength);
    return true;
  }
  out.resize(header_.recordLength);
  file_.readAt(offsetOf(recno), out.data(), out.size());
  return true;
}

bool DbfFile::readRecord(std::uint32_t recno, std::string& out) {
  if (recno > count_) refreshCount();
  return static_cast<const DbfFile*>(this)->readRecord(recno, out);
}

std::uint32_t DbfFile::readBlock(std::uint32_t first, std::uint32_t n, std::string& out) const {
  if (first == 0 || first > count_) return 0;
  n = std::min(n, count_ - first + 1);
  if (first > storedCount()) {
    out.assign(gathered_, static_cast<std::size_t>(first - storedCount() - 1) * header_.recordLength,
               static_cast<std::size_t>(n) * header_.recordLength);
    return n;
  }
  n = std::min(n, storedCount() - first + 1);  // the gathered ones come with the next block
  out.resize(static_cast<std::size_t>(n) * header_.recordLength);
  std::size_t got = file_.readSomeAt(offsetOf(first), out.data(), out.size());
  return static_cast<std::uint32_t>(got / header_.recordLength);
}

void DbfFile::forEachRecord(const std::function<void(std::uint32_t, std::string_view)>& visit) const {
  const std::size_t length = header_.recordLength;
  const auto perBlock = static_cast<std::uint32_t>(std::max<std::size_t>(1, (256 * 1024) / length));
  std::string block;
  for (std::uint32_t first = 1; first <= count_;) {
    const std::uint32_t got = readBlock(first, perBlock, block);
    if (got == 0) break;
    for (std::uint32_t i = 0; i < got; ++i)
      visit(first + i, std::string_view(block.data() + static_cast<std::size_t>(i) * length, length));
    first += got;
  }
}

void DbfFile::requireWritable() const {
  if (!file_.writable()) throw Error(ErrorCode::Io, name() + " is read-only: the table cannot be changed");
}

void DbfFile::stampDate() {
  std::string bytes = DbfHeader::dateAndCount(0).substr(0, 3);
  file_.writeAt(1, bytes);
}

void DbfFile::writeRecord(std::uint32_t recno, std::string_view record) {
  requireWritable();
  if (recno > storedCount()) writeGathered();
  if (recno == 0 || recno > count_ || record.size() != header_.recordLength)
    throw Error(ErrorCode::Argument, "Record " + std::to_string(recno) + " is not in " + name());
  file_.writeAt(offsetOf(recno), record);
  stampDate();
}

void DbfFile::writeDeletionFlag(std::uint32_t recno, char flag) {
  requireWritable();
  if (recno == 0 || recno > count_)
    throw Error(ErrorCode::Argument, "Record " + std::to_string(recno) + " is not in " + name());
  if (recno > storedCount()) writeGathered();
  file_.writeAt(offsetOf(recno), &flag, 1);
  stampDate();
}

void DbfFile::markDeleted(const std::vector<std::uint32_t>& recnos) {
  requireWritable();
  if (recnos.empty()) return;
  if (recnos.front() == 0 || recnos.back() > count_)
    throw Error(ErrorCode::Argument,
                "Record " + std::to_string(recnos.front() == 0 ? 0 : recnos.back()) + " is not in " + name());
  if (recnos.back() > storedCount()) writeGathered();
  // Rewriting a few kilobytes between two flags costs less than a call.
  constexpr std::uint64_t kCloseBytes = 4096, kLongestRun = 1 << 20;
  std::string run;
  for (std::size_t i = 0; i < recnos.size();) {
    const std::uint64_t from = offsetOf(recnos[i]);
    std::size_t end = i + 1;
    while (end < recnos.size() && offsetOf(recnos[end]) - offsetOf(recnos[end - 1]) <= kCloseBytes &&
           offsetOf(recnos[end]) - from < kLongestRun)
      ++end;
    run.resize(offsetOf(recnos[end - 1]) - from + 1);
    if (run.size() > 1) file_.readAt(from, run.data(), run.size());
    for (; i < end; ++i) run[offsetOf(recnos[i]) - from] = '*';
    file_.writeAt(from, run);
  }
  stampDate();
}

std::uint32_t DbfFile::append(std::string_view record) {
  requireWritable();
  const std::uint32_t count = soleWriter_ ? count_ : refreshCount();
  if (count >= kMaxRecords) throw Error(ErrorCode::Unsupported, name() + " holds the most records a table can hold");
  if (gathering_) {
    gathered_.append(record);
    ++gatheredCount_;
    const std::uint32_t recno = ++count_;
    if (gathered_.size() >= kGatheredBytes) writeGathered();
    return recno;
  }
  std::string bytes(record);
  bytes.push_back(0x1A);
  file_.writeAt(offsetOf(count + 1), bytes);
  file_.writeAt(1, DbfHeader::dateAndCount(count + 1));
  count_ = count + 1;
  return count_;
}

void DbfFile::gatherAppends(std::function<void()> beforeWrite) {
  writeGathered();
  beforeWrite_ = std::move(beforeWrite);
  gathering_ = true;
}

// The same order as a single append: memos, records with the end-of-file
// mark, then the count. A crash in between leaves whole records past the
// count, which the next exclusive open takes in.
void DbfFile::writeGathered() {
  if (gatheredCount_ == 0) return;
  if (beforeWrite_) beforeWrite_();
  const std::uint64_t end = offsetOf(storedCount() + 1) + gathered_.size();
  file_.writeAt(offsetOf(storedCount() + 1), gathered_);
  file_.writeAt(end, "\x1A", 1);
  file_.writeAt(1, DbfHeader::dateAndCount(count_));
  gathered_.clear();
  gatheredCount_ = 0;
}

void DbfFile::stopGathering() {
  writeGathered();
  dropGathered();
}

void DbfFile::dropGathered() {
  count_ -= gatheredCount_;
  gathered_.clear();
  gatheredCount_ = 0;
  gathering_ = false;
  beforeWrite_ = nullptr;
}

void DbfFile::setIndexFlag(bool present) {
  requireWritable();
  char flags = 0;
  file_.readAt(28, &flags, 1);
  flags = static_cast<char>(present ? (flags | DbfHeader::kFlagCdx) : (flags & ~DbfHeader::kFlagCdx));
  file_.writeAt(28, &flags, 1);
  header_.flags = static_cast<std::uint8_t>(flags);
}

std::string DbfFile::lastUpdate() const {
  char bytes[3];
  file_.readAt(1, bytes, 3);
  return formatHeaderDate(static_cast<std::uint8_t>(bytes[0]), static_cast<std::uint8_t>(bytes[1]),
                          static_cast<std::uint8_t>(bytes[2]));
}

}  // namespace xbase
