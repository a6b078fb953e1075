#pragma once

// One open of a table: its DBF, memo and index files with their own file
// descriptors, the "open" marker lock that enforces shared or exclusive
// use, and the locks around writes.
//
// Each cursor owns its Table. Cursors share nothing in memory: they meet in
// the files (the kernel's page cache makes every write visible to the next
// read at once) and in the byte-range locks, exactly like two processes.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx_file.h"
#include "xbase/cursor.h"
#include "xbase/dbf_file.h"
#include "xbase/fpt_file.h"
#include "xbase/lock.h"

namespace xbase {

class Table {
 public:
  Table(const std::filesystem::path& dbfPath, OpenMode mode);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // The file beside `dbfPath` with its stem and `extension`, the extension
  // compared ignoring case; empty when there is none.
  static std::filesystem::path beside(const std::filesystem::path& dbfPath, std::string_view extension);

  const std::filesystem::path& path() const { return path_; }
  OpenMode mode() const { return mode_; }
  bool shared() const { return mode_ == OpenMode::Shared; }

  DbfFile& dbf() { return *dbf_; }
  const DbfFile& dbf() const { return *dbf_; }
  const DbfHeader& header() const { return dbf_->header(); }
  FptFile* fpt() const { return fpt_.get(); }
  CdxFile* cdx() const { return cdx_.get(); }

  // The text of a memo field in a raw record ("" when it has no memo).
  std::string memo(int field, std::string_view record) const;

  // Error Io when the table's files cannot be written (a read-only folder
  // or file); checked before a write starts.
  void requireWritable() const;

  // Locks; all of them are empty guards on an exclusive open.
  LockGuard headerLock();
  // Error Locked when another cursor or program edits that record.
  LockGuard recordLock(std::uint32_t recno);
  LockGuard indexLock(bool exclusive);
  // The index file's change counter (bytes 8-11 of its header), advanced by
  // every change to any tag; 0 when the table has no index.
  std::uint32_t indexChangeCounter() const;

  // Creates the structural index file (empty) when the table has none.
  CdxFile& createIndex();
  // Rebuilds every tag of the index (exclusive opens), tag i from
  // `entries[i]`, into a new compact file that replaces the old one; the
  // index is then opened again (pad bytes set on the old one are not kept).
  void rebuildIndex(const std::vector<CdxEntrySource>& entries);
  // Opens the files again after a pack replaced them; `dbf` is the new
  // table file, already holding the exclusive open marker.
  void reopen(File dbf);

 private:
  void openFiles(std::optional<File> lockedDbf);
  void openMarker();
  void openIndex();

  std::filesystem::path path_;
  OpenMode mode_;
  std::unique_ptr<DbfFile> dbf_;
  std::unique_ptr<FptFile> fpt_;
  std::unique_ptr<CdxFile> cdx_;
  std::unique_ptr<File> cdxLocks_;  // a descriptor of the .CDX for its lock and change counter
};

}  // namespace xbase
