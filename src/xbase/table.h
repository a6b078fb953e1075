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
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx/cdx_file.h"
#include "xbase/dbf_file.h"
#include "xbase/fpt_file.h"
#include "xbase/held_records.h"
#include "xbase/lock.h"
#include "xbase/table_types.h"

namespace xbase {

// The mark beside the index `cdxPath` that it lags behind its table.
std::filesystem::path indexBehindMarkOf(const std::filesystem::path& cdxPath);

class Table {
 public:
  Table(const std::filesystem::path& dbfPath, OpenMode mode);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

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
  // A run of memo reads under one read lock, through a buffer (see
  // Cursor::holdMemoReads). Holds nest; memoLock(true) ends them.
  void holdMemoReads();
  void releaseMemoReads();
  bool memoReadsHeld() const { return memoHolds_ > 0; }
  // While memo reads are held: record `recno` for its memo pointers, read
  // through buffers kept for the run (xbase/held_records.h); false when
  // there is no such record. A pointer read so can be a moment
  // old, but it never points at blocks still being written: those are
  // allocated and written under the memo write lock, which the hold keeps
  // out.
  bool heldRecord(std::uint32_t recno, std::string_view& out);

  // Error Io when the table's files cannot be written (a read-only folder
  // or file, the table, memo or index file alike); checked before a write
  // starts.
  void requireWritable() const;

  // Locks; all of them are empty guards on an exclusive open, and the
  // header and memo locks are empty inside a batch, which holds them (the
  // header lock also while appends are held).
  LockGuard headerLock();
  // Keeps the header lock, and so every other writer's appends, from
  // holdAppends to the matching releaseAppends (see Cursor::lockAppends).
  // Holds nest; a batch may begin inside a hold.
  void holdAppends();
  void releaseAppends();
  // The memo lock: exclusive while blocks are allocated, shared while a
  // memo is read. Empty when the table has no memo file.
  LockGuard memoLock(bool exclusive) const;
  // Error Locked when another cursor or program edits that record.
  LockGuard recordLock(std::uint32_t recno);
  // The record locks of `first` to `last` taken at once; nothing when
  // another cursor or program edits any of them. An empty guard on an
  // exclusive open.
  std::optional<LockGuard> recordRangeLock(std::uint32_t first, std::uint32_t last);
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
  // The mark that the index lags behind the records (a bulk append under
  // way, or one that was killed): set before such appends, cleared once
  // every tag is rebuilt. Nothing when the table has no index.
  void markIndexBehind(bool behind);
  bool indexBehind() const;
  // Opens the files again after a pack replaced them; `dbf` is the new
  // table file, already holding the exclusive open marks.
  void reopen(File dbf);

  // True when this (exclusive) open took whole records lying past the
  // header's count into the table; their index entries are still missing.
  bool adoptedRecords() const { return adopted_; }
  // Writes the header's count of the whole records the file holds when
  // some lie past it, and returns how many those were (the last ones up to
  // the count); the caller holds the header lock. Their index entries are
  // still missing.
  std::uint32_t takeInWholeRecords();

  // Gathered appends (exclusive opens): appended records and memo blocks
  // are kept in memory and written in large pieces, memos before the
  // records that point to them, records before the header's count. Reads
  // through this Table see them. writeGathered writes what was gathered;
  // stopGathering writes it and ends gathering; a rollback forgets it.
  void gatherAppends();
  void writeGathered();
  void stopGathering();

  // All or nothing: beginBatch keeps the header and memo locks and notes
  // the files' state; rollbackBatch returns the table, memo and index
  // files to that state; endBatch keeps what was written.
  void beginBatch();
  void endBatch();
  void rollbackBatch();
  bool inBatch() const { return batch_ != nullptr; }
  // Within a batch, before record `recno` (`bytes` as it stands) is
  // rewritten or flagged: keeps those bytes for a rollback to write back.
  // Nothing outside a batch, for records appended by it, or when kept
  // already (the first bytes are the ones to restore).
  void keepForRollback(std::uint32_t recno, std::string_view bytes);
  void keepForRollback(std::uint32_t recno);

 private:
  // What a batch puts back (table_batch.cpp).
  struct Snapshot {
    std::uint64_t dbfSize = 0;
    std::uint64_t tailOffset = 0;
    std::string tail;           // the bytes after the last counted record
    char dateAndCount[7] = {};  // header bytes 1 to 7
    std::uint64_t fptSize = 0;
    std::string fptHeader;
    std::string cdx;
    std::map<std::uint32_t, std::string> records;  // changed records as they were
  };
  void endMemoHolds() const;  // drops the reader and the held read lock
  void openFiles(std::optional<File> lockedDbf);
  void openMarker();
  void openIndex();
  std::filesystem::path indexBehindMark() const;
  bool adoptTrailingRecords();

  std::filesystem::path path_;
  OpenMode mode_;
  std::unique_ptr<DbfFile> dbf_;
  std::unique_ptr<FptFile> fpt_;
  std::unique_ptr<CdxFile> cdx_;
  std::unique_ptr<File> cdxLocks_;  // a descriptor of the .CDX for its lock and change counter
  bool adopted_ = false;
  std::unique_ptr<Snapshot> batch_;  // set between beginBatch and its end
  LockGuard batchHeaderLock_;
  LockGuard batchMemoLock_;
  int appendHolds_ = 0;
  LockGuard appendLock_;
  // While memo reads are held: how deep, the read lock and the reader.
  mutable int memoHolds_ = 0;
  mutable LockGuard heldMemoLock_;
  mutable std::unique_ptr<FptReader> memoReader_;
  mutable HeldRecords heldRecords_;
};

}  // namespace xbase
