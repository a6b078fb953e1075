#include "xbase/cursor_impl.h"

#include <algorithm>

#include "xbase/dbf_record.h"
#include "xbase/dbf_text.h"
#include "xbase/error.h"

namespace xbase {
namespace {

// A walk reads records in growing blocks: a few records first (a walk that
// stops at once costs a single small read), doubling up to this size.
constexpr std::size_t kMaxBlockBytes = 256 * 1024;

}  // namespace

CursorImpl::CursorImpl(const std::filesystem::path& dbfPath, OpenMode mode)
    : table_(dbfPath, mode), layout_(RecordLayout::fromFields(table_.header().fields)) {
  if (table_.indexBehind()) {
    if (mode == OpenMode::Shared)
      throw Error(ErrorCode::Corrupt, "The index of " + dbfPath.filename().string() +
                                          " lags behind its records: an import into it was interrupted. Open it "
                                          "exclusively (cardlark-db reindex DIR) to rebuild the index");
    reindex();
    repairNote_ = "The index of " + dbfPath.filename().string() +
                  " was rebuilt: an import into it had been interrupted before its end";
  } else if (table_.adoptedRecords() && table_.cdx()) {
    reindex();  // the adopted records get their keys
  }
  first();
}

CursorImpl::~CursorImpl() = default;

int CursorImpl::fieldIndex(std::string_view name) const {
  const auto& fs = fields();
  for (std::size_t i = 0; i < fs.size(); ++i)
    if (equalsIgnoringCase(fs[i].name, name)) return static_cast<int>(i);
  return -1;
}

void CursorImpl::requireField(int field) const {
  if (field < 0 || static_cast<std::size_t>(field) >= fields().size())
    throw Error(ErrorCode::Argument, "No field number " + std::to_string(field) + " in " + path().filename().string());
}

void CursorImpl::requireOutsideRecordFilter(const char* what) const {
  if (insideRecordFilter_)
    throw Error(ErrorCode::State,
                std::string("A record filter only reads its cursor: ") + what + " is not allowed there");
}

void CursorImpl::requireBrowsing(const char* what) const {
  requireOutsideRecordFilter(what);
  if (state_ != State::Browse)
    throw Error(ErrorCode::State, std::string("Post or cancel the pending change before ") + what);
}

// --- position

void CursorImpl::placeOn(std::uint32_t recno, std::string key) {
  recno_ = recno;
  key_ = std::move(key);
  bof_ = eof_ = false;
}

void CursorImpl::placeNowhere() {
  recno_ = 0;
  key_.clear();
}

bool CursorImpl::passes(std::uint32_t recno, const std::string& key, std::string_view record) {
  if (record.empty() || record[0] == '*') return false;
  if (filter_ && !filter_->matches(record, options_)) return false;
  if (recordFilter_) {
    // The caller's test reads the candidate through this cursor; it may not
    // move it (the walk that called it holds its place and its buffer).
    placeOn(recno, key);
    insideRecordFilter_ = true;
    candidate_ = record;  // what the test reads, without reading the record again
    struct Leave {
      bool& flag;
      ~Leave() { flag = false; }
    } leave{insideRecordFilter_};
    return recordFilter_(*this);
  }
  return true;
}

bool CursorImpl::scanNatural(std::uint32_t from, Direction direction) {
  DbfFile& dbf = table_.dbf();
  const std::size_t recordLength = table_.header().recordLength;
  const std::uint32_t maxBlock = static_cast<std::uint32_t>(std::max<std::size_t>(1, kMaxBlockBytes / recordLength));
  std::uint32_t want = 8;  // a few records cost one read as much as one does
  const std::string noKey;
  for (;;) {
    if (from == 0) return false;
    if (from > dbf.knownCount() && dbf.refreshCount() < from) {
      if (direction == Direction::Forward) return false;
      from = dbf.knownCount();
      if (from == 0) return false;
    }
    const std::uint32_t first = direction == Direction::Forward ? from : from - std::min(want, from) + 1;
    const std::uint32_t n = direction == Direction::Forward ? want : from - first + 1;
    const std::uint32_t got = dbf.readBlock(first, n, block_);
    if (got == 0) return false;
    for (std::uint32_t i = 0; i < got; ++i) {
      const std::uint32_t at = direction == Direction::Forward ? i : got - 1 - i;
      const std::string_view record(block_.data() + static_cast<std::size_t>(at) * recordLength, recordLength);
      if (passes(first + at, noKey, record)) {
        placeOn(first + at, {});
        return true;
      }
    }
    from = direction == Direction::Forward ? first + got : first - 1;
    want = std::min(want * 2, maxBlock);
  }
}

bool CursorImpl::scanIndex(std::optional<CdxEntry> from, bool inclusive, Direction direction,
                           const std::string* onlyKey) {
  // Entries come in batches read along the leaves under the index lock; the
  // records are tested after the lock is released, so that a caller's record
  // filter may use other cursors freely. A step on from the current entry
  // starts with the entries kept from the last batch, and the batches of a
  // long walk keep growing from one step to the next (a few entries for a
  // walk that stops at once, up to kMaxBatch), so a walk through the tag
  // descends the tree once per batch, not once per record.
  constexpr std::size_t kMaxBatch = 512;
  std::size_t want = 4;
  IndexBatch batch;
  std::size_t start = 0;  // the first entry of `batch` not yet met
  if (!inclusive && from && lookaheadContinues(*from, direction)) {
    batch = std::move(lookahead_.batch);
    start = lookahead_.next;
    want = lookahead_.batchSize;
  } else {
    batch = indexBatch(from, inclusive, direction, want, onlyKey);
  }
  lookahead_.tag = -1;
  const bool keyFilter = keyTests().keyFilter;
  std::string record;
  for (;;) {
    for (std::size_t i = start; i < batch.entries.size(); ++i) {
      const CdxEntry& entry = batch.entries[i];
      if (onlyKey && entry.key != *onlyKey) return false;
      if (keyFilter && !keyMayPass(entry)) continue;
      if (!table_.dbf().readRecord(entry.recno, record))
        throw IndexMismatch("The index of " + path().filename().string() + " names record " +
                            std::to_string(entry.recno) + ", which the table does not hold; reindex the table");
      if (passes(entry.recno, entry.key, record)) {
        placeOn(entry.recno, entry.key);
        // The batch is kept whole with the place to go on from, so a walk
        // copies no entries from one step to the next.
        CdxEntry met = entry;
        lookahead_ = Lookahead{tag_, direction, std::move(met), std::move(batch), i + 1, want};
        return true;
      }
    }
    if (batch.reachesEnd) return false;
    want = std::min<std::size_t>(std::max(want, batch.entries.size() - start) * 2, kMaxBatch);
    const std::optional<CdxEntry> after = std::move(batch.last);
    batch = indexBatch(after, false, direction, want, onlyKey);
    start = 0;
  }
}

void CursorImpl::first() {
  requireBrowsing("moving");
  const bool found = tag_ < 0 ? scanNatural(1, Direction::Forward) : scanIndex(std::nullopt, true, Direction::Forward);
  if (!found) {
    placeNowhere();
    bof_ = eof_ = true;
  }
}

void CursorImpl::last() {
  requireBrowsing("moving");
  bool found = false;
  if (tag_ < 0) {
    found = scanNatural(table_.dbf().refreshCount(), Direction::Backward);
  } else {
    found = scanIndex(std::nullopt, true, Direction::Backward);
  }
  if (!found) {
    placeNowhere();
    bof_ = eof_ = true;
  }
}

bool CursorImpl::stepFromCurrent(Direction direction) {
  if (tag_ < 0) {
    if (direction == Direction::Forward) return scanNatural(recno_ + 1, direction);
    return recno_ > 1 && scanNatural(recno_ - 1, direction);
  }
  return scanIndex(CdxEntry{key_, recno_}, false, direction);
}

void CursorImpl::skip(long n) {
  requireBrowsing("moving");
  for (; n > 0; --n) {
    if (recno_ == 0) {
      eof_ = true;
      return;
    }
    if (!stepFromCurrent(Direction::Forward)) {
      placeNowhere();
      eof_ = true;
      bof_ = false;
      return;
    }
  }
  for (; n < 0; ++n) {
    if (recno_ == 0) {  // from the end: the last record is one step back
      last();
      if (recno_ == 0) return;
      continue;
    }
    const std::uint32_t from = recno_;
    const std::string fromKey = key_;
    if (!stepFromCurrent(Direction::Backward)) {
      // Before the start: the first record stays current.
      placeOn(from, fromKey);
      bof_ = true;
      return;
    }
  }
}

void CursorImpl::go(std::uint32_t recno) {
  requireBrowsing("moving");
  std::string record;
  if (!table_.dbf().readRecord(recno, record))
    throw Error(ErrorCode::NotFound, "Record " + std::to_string(recno) + " is not in " + path().filename().string());
  placeOn(recno, tag_ < 0 ? std::string() : keyOf(tag_, record));
}

// --- reading

std::string CursorImpl::currentRecord() const {
  std::string record;
  if (recno_ == 0 || !table_.dbf().readRecord(recno_, record)) return {};
  return record;
}

std::string CursorImpl::shownRecord() const {
  if (state_ != State::Browse) return buffer_;
  return insideRecordFilter_ ? std::string(candidate_) : currentRecord();
}

std::string CursorImpl::value(int field) const {
  requireField(field);
  if (state_ != State::Browse && fields()[static_cast<std::size_t>(field)].type == 'M') {
    auto pending = pendingMemos_.find(field);
    if (pending != pendingMemos_.end()) return pending->second;
  }
  if (state_ == State::Browse && insideRecordFilter_) return fieldValue(field, candidate_);
  return fieldValue(field, shownRecord());
}

std::string CursorImpl::valueAt(std::uint32_t recno, int field) {
  requireField(field);
  std::string record;
  std::string_view held;
  const bool memo = fields()[static_cast<std::size_t>(field)].type == 'M' && table_.memoReadsHeld();
  if (memo ? !table_.heldRecord(recno, held) : (recno == 0 || !table_.dbf().readRecord(recno, record)))
    throw Error(ErrorCode::NotFound, "Record " + std::to_string(recno) + " is not in " + path().filename().string());
  return fieldValue(field, memo ? held : std::string_view(record));
}

std::string CursorImpl::fieldValue(int field, std::string_view record) const {
  if (record.empty()) return {};
  const FieldInfo& f = fields()[static_cast<std::size_t>(field)];
  if (f.type == 'M') return table_.memo(field, record);
  const auto offset = static_cast<std::size_t>(layout_.offsets[static_cast<std::size_t>(field)]);
  return fieldText(f, record.substr(offset, static_cast<std::size_t>(f.length)));
}

bool CursorImpl::deleted() const {
  const std::string record = shownRecord();
  return !record.empty() && record[0] == '*';
}

// --- filters

void CursorImpl::setFilter(std::string_view expression) {
  if (expression.find_first_not_of(" \t") == std::string_view::npos) {
    filter_.reset();
    forgetKeyTests();
    return;
  }
  Expression parsed = Expression::parse(expression, layout_);
  if (parsed.type() != ValueType::Logical)
    throw Error(ErrorCode::Expression,
                "The filter \"" + std::string(expression) + "\" is not a condition (true or false)");
  filter_ = std::move(parsed);
  forgetKeyTests();
}

std::uint32_t CursorImpl::count() {
  DbfFile& dbf = table_.dbf();
  dbf.refreshCount();
  std::uint32_t passing = 0;
  dbf.forEachRecord([&](std::uint32_t, std::string_view record) {
    if (record[0] != '*' && (!filter_ || filter_->matches(record, options_))) ++passing;
  });
  return passing;
}

}  // namespace xbase
