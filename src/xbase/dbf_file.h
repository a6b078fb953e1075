#pragma once

// The records of a DBF file: reading them one at a time or in blocks,
// rewriting one in place, appending one, and keeping the header's date and
// count current.
//
// Nothing is cached but the header's layout (fixed while the table is open;
// only an exclusive pack rewrites the file) and the last record count seen,
// which only grows while the table is shared: a record number beyond it
// makes the count be read again, so appends by other cursors and processes
// are seen at the next read.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/dbf_header.h"
#include "xbase/file.h"

namespace xbase {

class DbfFile {
 public:
  // Writes a new table file holding `header` and the end-of-file mark.
  // Fails when the file exists.
  static void create(const std::filesystem::path& path, const DbfHeader& header);

  DbfFile(File file);

  const DbfHeader& header() const { return header_; }
  File& file() { return file_; }
  const File& file() const { return file_; }
  std::string name() const { return file_.path().filename().string(); }

  std::uint32_t knownCount() const { return count_; }
  // On an exclusive open nobody else writes: the count kept in memory is
  // the truth and need not be read again before an append.
  void setSoleWriter(bool sole) { soleWriter_ = sole; }
  // Reads the header's count again. The file size is trusted over the
  // header: a count beyond the records the file holds (a cut file) is
  // lowered to the whole records present, while records past the count (an
  // append interrupted before its header write) are not part of the table.
  std::uint32_t refreshCount();

  // Reads record `recno` (1-based) into `out`; false when there is no such
  // record (after reading the count again).
  bool readRecord(std::uint32_t recno, std::string& out) const;
  bool readRecord(std::uint32_t recno, std::string& out);
  // Reads up to `n` records from `first` into `out` (n * recordLength
  // bytes); returns how many whole records were there.
  std::uint32_t readBlock(std::uint32_t first, std::uint32_t n, std::string& out) const;

  // Visits the records up to the known count (deleted ones too), read in
  // large blocks.
  void forEachRecord(const std::function<void(std::uint32_t, std::string_view)>& visit) const;

  // Rewrites a record in place, then stamps the header date.
  void writeRecord(std::uint32_t recno, std::string_view record);
  // Sets the deletion flag of a record ('*' or ' '), then stamps the date.
  void writeDeletionFlag(std::uint32_t recno, char flag);
  // Marks the records `recnos` (ascending) deleted, then stamps the date
  // once. Flags lying close together are set by rewriting the bytes from
  // the first to the last of them in one write, so the caller holds the
  // locks of every record in between; others get a write each.
  void markDeleted(const std::vector<std::uint32_t>& recnos);
  // Adds a record after the last one; the caller holds the header lock.
  // Returns its number.
  std::uint32_t append(std::string_view record);

  // Gathered appends (a bulk load on an exclusive open): append() keeps the
  // records in memory, where they count and read as stored, and they are
  // written in large pieces: the records in one write, then the header's
  // date and count once. `beforeWrite` runs before each such write (the
  // memo file writes the memos they point to first). A read that asks the
  // file itself (refreshCount) writes them first.
  void gatherAppends(std::function<void()> beforeWrite);
  // Writes what was gathered; gathering goes on.
  void writeGathered();
  // Writes what was gathered and stops gathering.
  void stopGathering();
  // Forgets what was gathered, unwritten, and stops gathering (a rollback).
  void dropGathered();
  // Sets or clears the structural-index flag in the header.
  void setIndexFlag(bool present);

  // The header's date of last update as "MM/DD/YY", read afresh.
  std::string lastUpdate() const;

  static constexpr std::uint32_t kMaxRecords = 0x07FFFFFF;  // what the record lock region holds

 private:
  std::uint64_t offsetOf(std::uint32_t recno) const;
  std::uint32_t countInFile(std::uint32_t headerCount) const;
  void requireWritable() const;
  void stampDate();

  File file_;
  DbfHeader header_;
  std::uint32_t storedCount() const { return count_ - gatheredCount_; }

  std::uint32_t count_ = 0;  // gathered records included
  bool soleWriter_ = false;
  bool gathering_ = false;
  std::function<void()> beforeWrite_;
  std::string gathered_;  // records storedCount() + 1 to count_
  std::uint32_t gatheredCount_ = 0;
};

}  // namespace xbase
