#include "xbase/table.h"

#include <algorithm>
#include <system_error>

#include "xbase/cdx/cdx_file.h"
#include "xbase/dbf_record.h"
#include "xbase/error.h"
#include "xbase/table_files.h"
#include "xbase/table_pack.h"

namespace xbase {
namespace {

File openTableFile(const std::filesystem::path& path, bool wantWrite) {
  if (!wantWrite) return File(path, File::Access::ReadOnly);
  try {
    return File(path, File::Access::ReadWrite);
  } catch (const Error& e) {
    if (e.code() != ErrorCode::Io) throw;
    return File(path, File::Access::ReadOnly);  // a read-only file still reads
  }
}

}  // namespace

Table::Table(const std::filesystem::path& dbfPath, OpenMode mode) : path_(dbfPath), mode_(mode) {
  finishInterruptedPack(path_);
  openFiles(std::nullopt);
  if (!shared()) adopted_ = adoptTrailingRecords();
}

// Records gathered and not yet written are stored as the appends would
// have stored them one by one.
Table::~Table() {
  try {
    stopGathering();
  } catch (const Error&) {
  }
}

void Table::gatherAppends() {
  if (shared()) return;
  if (fpt_) fpt_->gatherAppends();
  dbf_->gatherAppends([fpt = fpt_.get()] {
    if (fpt) fpt->writeGathered();
  });
}

void Table::writeGathered() {
  if (fpt_) fpt_->writeGathered();
  dbf_->writeGathered();
}

void Table::stopGathering() {
  if (fpt_) fpt_->stopGathering();
  dbf_->stopGathering();
}

void Table::openFiles(std::optional<File> lockedDbf) {
  if (lockedDbf) {
    dbf_ = std::make_unique<DbfFile>(std::move(*lockedDbf));
  } else {
    dbf_ = std::make_unique<DbfFile>(openTableFile(path_, true));
    openMarker();
  }
  if (header().hasMemo()) {
    auto memoPath = fileBeside(path_, ".fpt");
    if (memoPath.empty())
      throw Error(ErrorCode::NotFound, "The memo file of " + path_.filename().string() + " is missing");
    fpt_ = std::make_unique<FptFile>(openTableFile(memoPath, dbf_->file().writable()));
    fpt_->setSoleWriter(!shared());
  }
  dbf_->setSoleWriter(!shared());
  openIndex();
}

void Table::openMarker() {
  const bool exclusive = mode_ == OpenMode::Exclusive;
  if (exclusive && !dbf_->file().writable())
    throw Error(ErrorCode::Io, path_.filename().string() + " is read-only and cannot be opened exclusively");
  if (dbf_->file().tryLock(lockregion::kOpenMarker, 1, exclusive) && dbf_->file().tryLockWhole(exclusive)) return;
  if (exclusive)
    throw Error(ErrorCode::Exclusive,
                "The table " + path_.filename().string() + " is in use and cannot be opened exclusively");
  throw Error(ErrorCode::Exclusive,
              "The table " + path_.filename().string() + " is opened exclusively by another user");
}

void Table::reopen(File dbf) {
  endMemoHolds();
  stopGathering();
  cdx_.reset();
  cdxLocks_.reset();
  fpt_.reset();
  dbf_.reset();
  openFiles(std::move(dbf));
}

std::string Table::memo(int field, std::string_view record) const {
  const FieldInfo& f = header().fields[static_cast<std::size_t>(field)];
  const auto offset = static_cast<std::size_t>(header().offsets[static_cast<std::size_t>(field)]);
  const std::uint32_t block = memoBlockOf(f, record.substr(offset, static_cast<std::size_t>(f.length)));
  if (block == 0 || !fpt_) return {};
  if (memoHolds_ > 0) {
    if (!memoReader_) memoReader_ = std::make_unique<FptReader>(*fpt_);
    return memoReader_->read(block);
  }
  LockGuard lock = memoLock(false);
  return fpt_->read(block);
}

// The reader's buffer stays true only while nobody writes the memo file:
// others are kept out by the read lock (a writer allocates and rewrites
// memo blocks under the write lock), and a write of this table ends the
// hold. Inside a batch the batch's own write lock already keeps others out.
void Table::holdMemoReads() {
  if (memoHolds_++ > 0 || !fpt_) return;
  fpt_->writeGathered();  // the held reader reads the file itself
  if (shared() && !batch_) heldMemoLock_ = LockGuard::wait(&fpt_->file(), lockregion::kMemo, false);
}

void Table::releaseMemoReads() {
  if (memoHolds_ > 0 && --memoHolds_ == 0) endMemoHolds();
}

bool Table::heldRecord(std::uint32_t recno, std::string_view& out) { return heldRecords_.find(*dbf_, recno, out); }

void Table::endMemoHolds() const {
  memoHolds_ = 0;
  memoReader_.reset();
  heldRecords_.clear();
  heldMemoLock_.release();
}

void Table::requireWritable() const {
  for (const File* file : {&dbf_->file(), fpt_ ? &fpt_->file() : nullptr, cdxLocks_.get()})
    if (file && !file->writable())
      throw Error(ErrorCode::Io, "The table " + path_.filename().string() +
                                     " cannot be changed: " + file->path().filename().string() + " is read-only");
}

LockGuard Table::headerLock() {
  if (!shared() || batch_ || appendHolds_ > 0) return {};
  return LockGuard::wait(&dbf_->file(), lockregion::kHeader, true);
}

void Table::holdAppends() {
  if (appendHolds_ > 0) {
    ++appendHolds_;
    return;
  }
  appendLock_ = headerLock();
  appendHolds_ = 1;
}

void Table::releaseAppends() {
  if (appendHolds_ > 0 && --appendHolds_ == 0) appendLock_.release();
}

LockGuard Table::memoLock(bool exclusive) const {
  // The write lock replaces a held read lock on this file, and the writer
  // changes what the reader has buffered.
  if (exclusive) endMemoHolds();
  if (!shared() || batch_ || !fpt_) return {};
  return LockGuard::wait(&fpt_->file(), lockregion::kMemo, exclusive);
}

LockGuard Table::recordLock(std::uint32_t recno) {
  if (!shared()) return {};
  LockGuard guard = LockGuard::attempt(&dbf_->file(), lockregion::record(recno), true);
  if (!guard.holds())
    throw Error(ErrorCode::Locked, "Record " + std::to_string(recno) + " is being edited by another user");
  return guard;
}

std::optional<LockGuard> Table::recordRangeLock(std::uint32_t first, std::uint32_t last) {
  if (!shared()) return LockGuard();
  LockGuard guard = LockGuard::attempt(&dbf_->file(), lockregion::record(last), true, std::uint64_t{last} - first + 1);
  if (!guard.holds()) return std::nullopt;
  return guard;
}

LockGuard Table::indexLock(bool exclusive) {
  if (!shared() || !cdxLocks_) return {};
  return LockGuard::wait(cdxLocks_.get(), lockregion::kHeader, exclusive);
}

}  // namespace xbase
