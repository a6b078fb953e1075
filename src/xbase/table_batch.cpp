// All-or-nothing writes. A batch keeps the header and memo locks from its
// start to its end, so nobody else appends, allocates memo blocks or
// changes the index meanwhile (other writers wait), and notes what it
// needs to put the files back: the table file's length, date, count and the
// bytes after its last counted record, the memo file's length and header,
// and the index file's bytes, and each counted record's bytes before the
// batch first rewrites or flags it. A rollback restores them in that
// order: the appended records leave the table with the table file's
// length, before anything else is touched.

#include "xbase/cdx/cdx_file.h"
#include "xbase/dbf_bytes.h"
#include "xbase/error.h"
#include "xbase/table.h"

namespace xbase {

namespace {

std::string readAll(const File& file, std::uint64_t offset = 0) {
  std::string bytes(file.size() - std::min(offset, file.size()), '\0');
  bytes.resize(file.readSomeAt(offset, bytes.data(), bytes.size()));
  return bytes;
}

}  // namespace

void Table::beginBatch() {
  if (batch_) throw Error(ErrorCode::State, "A batch of changes is already under way");
  requireWritable();
  LockGuard headerHeld = headerLock();
  LockGuard memoHeld = memoLock(true);
  auto snapshot = std::make_unique<Snapshot>();
  File& dbf = dbf_->file();
  dbf.readAt(1, snapshot->dateAndCount, sizeof snapshot->dateAndCount);
  snapshot->dbfSize = dbf.size();
  snapshot->tailOffset = header().headerLength + std::uint64_t{dbf_->refreshCount()} * header().recordLength;
  snapshot->tail = readAll(dbf, snapshot->tailOffset);
  if (fpt_) {
    snapshot->fptSize = fpt_->file().size();
    snapshot->fptHeader.resize(8);
    fpt_->file().readAt(0, snapshot->fptHeader.data(), snapshot->fptHeader.size());
  }
  if (cdxLocks_) {
    LockGuard index = indexLock(false);
    snapshot->cdx = readAll(*cdxLocks_);
  }
  batchHeaderLock_ = std::move(headerHeld);
  batchMemoLock_ = std::move(memoHeld);
  batch_ = std::move(snapshot);
}

void Table::endBatch() {
  stopGathering();
  endMemoHolds();  // a hold inside the batch leaned on the batch's lock
  batch_.reset();
  batchMemoLock_.release();
  batchHeaderLock_.release();
}

void Table::keepForRollback(std::uint32_t recno, std::string_view bytes) {
  if (!batch_ || recno == 0) return;
  if (header().headerLength + std::uint64_t{recno} * header().recordLength > batch_->tailOffset) return;
  batch_->records.try_emplace(recno, bytes);
}

void Table::keepForRollback(std::uint32_t recno) {
  std::string bytes;
  if (batch_ && !batch_->records.count(recno) && dbf_->readRecord(recno, bytes)) keepForRollback(recno, bytes);
}

void Table::rollbackBatch() {
  if (!batch_) return;
  const Snapshot& s = *batch_;
  dbf_->dropGathered();
  if (fpt_) fpt_->dropGathered();
  File& dbf = dbf_->file();
  dbf.truncate(s.dbfSize);
  dbf.writeAt(s.tailOffset, s.tail);
  for (const auto& [recno, bytes] : s.records)
    dbf.writeAt(header().headerLength + std::uint64_t{recno - 1} * header().recordLength, bytes);
  dbf.writeAt(1, s.dateAndCount, sizeof s.dateAndCount);
  dbf_->refreshCount();
  if (fpt_) {
    fpt_->file().truncate(s.fptSize);
    fpt_->file().writeAt(0, s.fptHeader);
    fpt_->setSoleWriter(!shared());  // forgets the next free block it kept
  }
  if (cdxLocks_) {
    LockGuard index = indexLock(true);
    cdxLocks_->writeAt(0, s.cdx);
    cdxLocks_->truncate(s.cdx.size());
  }
  endBatch();
}

}  // namespace xbase
