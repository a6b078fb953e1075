// The cursor's writes: the record buffer, post with its memos and index
// entries, cancel and delete.
//
// Order of writes of a post, so that a write interrupted at any byte loses
// no record stored before it:
//   append: under the header lock: each memo's blocks, then the memo file's
//           next-free block (both under the memo lock too); then the record
//           with the end-of-file mark after it; then the header's date and
//           record count (the record joins the table with this one write);
//           then the index entries.
//   edit:   under the record lock: memos that fit their old blocks are
//           rewritten there, others go to new blocks at the end (under the
//           header and memo locks); then the record in one write; then the
//           index entries whose key changed (under the header lock).
// A crash before the index write leaves an index that misses or misplaces
// the one record being written; a reindex repairs it.

#include <algorithm>
#include <utility>

#include "xbase/cursor_impl.h"
#include "xbase/dbf_record.h"
#include "xbase/error.h"

namespace xbase {

void CursorImpl::beginAppend() {
  requireBrowsing("inserting");
  table_.requireWritable();
  buffer_ = blankRecord(table_.header());
  pendingMemos_.clear();
  state_ = State::Append;
}

void CursorImpl::beginEdit() {
  requireBrowsing("editing");
  table_.requireWritable();
  if (recno_ == 0) throw Error(ErrorCode::State, "There is no current record to edit");
  LockGuard lock = table_.recordLock(recno_);
  std::string record;
  if (!table_.dbf().readRecord(recno_, record))
    throw Error(ErrorCode::NotFound, "Record " + std::to_string(recno_) + " is no longer in the table");
  // Read under the record lock: a record someone else deleted since this
  // cursor last looked is not brought back to life by an edit.
  requireNotDeleted(record);
  buffer_ = std::move(record);
  pendingMemos_.clear();
  recordLock_ = std::move(lock);
  state_ = State::Edit;
}

void CursorImpl::setValue(int field, std::string_view value) {
  requireField(field);
  if (state_ == State::Browse)
    throw Error(ErrorCode::State, "The table is not being edited: start an edit or an insert first");
  const FieldInfo& f = fields()[static_cast<std::size_t>(field)];
  if (f.type == 'M') {
    pendingMemos_[field] = std::string(value);
    return;
  }
  const std::string bytes = encodeField(f, value);
  buffer_.replace(static_cast<std::size_t>(layout_.offsets[static_cast<std::size_t>(field)]), bytes.size(), bytes);
}

void CursorImpl::storeMemos(bool appendOnly) {
  if (pendingMemos_.empty()) return;
  // Memo space is allocated under the memo lock, the way other programs
  // allocate it, after the header lock (an append holds it already), so
  // that two writers of ours never wait for each other in reverse order.
  LockGuard header = appendOnly ? LockGuard() : table_.headerLock();
  LockGuard memo = table_.memoLock(true);
  for (const auto& [field, text] : pendingMemos_) {
    const FieldInfo& f = fields()[static_cast<std::size_t>(field)];
    const auto offset = static_cast<std::size_t>(layout_.offsets[static_cast<std::size_t>(field)]);
    std::uint32_t block = 0;
    if (!text.empty()) {
      if (!table_.fpt())
        throw Error(ErrorCode::NotFound, "The memo file of " + path().filename().string() + " is missing");
      const std::uint32_t old = memoBlockOf(
          f, std::string_view(buffer_).substr(offset, static_cast<std::size_t>(f.length)));
      // Within a batch a memo is never rewritten in place: a rollback puts
      // the memo file back by its length alone.
      block = !appendOnly && !table_.inBatch() && table_.fpt()->rewriteInPlace(old, text) ? old
                                                                                          : table_.fpt()->append(text);
    }
    buffer_.replace(offset, static_cast<std::size_t>(f.length), encodeMemoBlock(f, block));
  }
}

void CursorImpl::post() {
  if (state_ == State::Browse) throw Error(ErrorCode::State, "There is nothing to post");
  // Every tag's rule is compiled before anything is written: a tag whose
  // key cannot be computed refuses the post instead of missing the record.
  if (CdxFile* cdx = table_.cdx())
    for (int tag = 0; tag < cdx->tagCount(); ++tag) rule(tag);
  if (state_ == State::Append) {
    LockGuard lock = table_.headerLock();
    if (table_.shared()) takeInUncounted();
    storeMemos(true);
    const std::uint32_t recno = table_.dbf().append(buffer_);
    if (!bulkAppend_) indexChange(recno, {}, buffer_);
    const std::string key = tag_ < 0 ? std::string() : keyOf(tag_, buffer_);
    endEdit();
    placeOn(recno, key);
    return;
  }
  std::string old;
  if (!table_.dbf().readRecord(recno_, old))
    throw Error(ErrorCode::NotFound, "Record " + std::to_string(recno_) + " is no longer in the table");
  if (isDeletedRecord(old)) {
    endEdit();  // nothing of the buffer may reach a deleted record
    requireNotDeleted(old);
  }
  table_.keepForRollback(recno_, old);
  storeMemos(false);
  table_.dbf().writeRecord(recno_, buffer_);
  if (table_.cdx()) {
    LockGuard lock = table_.headerLock();
    indexChange(recno_, old, buffer_);
  }
  if (tag_ >= 0) key_ = keyOf(tag_, buffer_);
  endEdit();
}

// Whole records past the header's count (a writer stopped before its
// count write) join the table with their keys before an append, as an
// exclusive open takes them in, instead of being written over.
void CursorImpl::takeInUncounted() {
  const std::uint32_t taken = table_.takeInWholeRecords();
  const std::uint32_t last = table_.dbf().knownCount();
  std::string record;
  for (std::uint32_t recno = last - taken + 1; recno <= last; ++recno)
    if (table_.dbf().readRecord(recno, record)) indexChange(recno, {}, record);
}

bool CursorImpl::isDeletedRecord(std::string_view record) { return !record.empty() && record[0] == '*'; }

void CursorImpl::requireNotDeleted(std::string_view record) const {
  if (isDeletedRecord(record))
    throw Error(ErrorCode::NotFound, "Record " + std::to_string(recno_) +
                                         " has been deleted by another user meanwhile; it cannot be changed");
}

void CursorImpl::endEdit() {
  state_ = State::Browse;
  pendingMemos_.clear();
  buffer_.clear();
  recordLock_.release();
}

void CursorImpl::cancel() { endEdit(); }

void CursorImpl::beginBatch() {
  requireBrowsing("starting a batch of changes");
  table_.beginBatch();
}

void CursorImpl::commitBatch() {
  requireBrowsing("ending a batch of changes");
  table_.endBatch();
}

void CursorImpl::rollbackBatch() {
  endEdit();
  const bool bulk = std::exchange(bulkAppend_, false);
  lookahead_.tag = -1;
  table_.rollbackBatch();
  if (bulk) table_.markIndexBehind(false);  // the index is back in step with the records put back
  first();
}

void CursorImpl::deleteRecord() {
  requireOutsideRecordFilter("deleting");
  if (state_ == State::Append) {  // an insert not yet stored is simply dropped
    endEdit();
    return;
  }
  if (state_ == State::Edit) endEdit();
  if (recno_ == 0) throw Error(ErrorCode::State, "There is no current record to delete");
  table_.requireWritable();
  {
    LockGuard lock = table_.recordLock(recno_);
    table_.keepForRollback(recno_);
    table_.dbf().writeDeletionFlag(recno_, '*');
  }
  // Deleted records keep their index entries until a pack; the walk skips them.
  skip(1);
}

void CursorImpl::deleteRecords(const std::vector<std::uint32_t>& recnos) {
  requireBrowsing("deleting");
  table_.requireWritable();
  std::vector<std::uint32_t> sorted(recnos);
  std::sort(sorted.begin(), sorted.end());
  DbfFile& dbf = table_.dbf();
  const bool allThere = !sorted.empty() && sorted.front() > 0 &&
                        (sorted.back() <= dbf.knownCount() || sorted.back() <= dbf.refreshCount());
  std::optional<LockGuard> held;
  if (allThere) held = table_.recordRangeLock(sorted.front(), sorted.back());
  if (held) {
    for (const std::uint32_t recno : sorted) table_.keepForRollback(recno);
    dbf.markDeleted(sorted);
  } else {
    for (const std::uint32_t recno : recnos) {
      go(recno);
      if (!deleted()) deleteRecord();
    }
  }
  held.reset();
  first();
}

void CursorImpl::recall(std::uint32_t recno) {
  go(recno);
  table_.requireWritable();
  {
    LockGuard lock = table_.recordLock(recno);
    table_.keepForRollback(recno);
    table_.dbf().writeDeletionFlag(recno, ' ');
  }
  go(recno);
}

}  // namespace xbase
