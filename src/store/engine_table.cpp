#include "store/engine_table.h"

#include <utility>

#include <QDir>

#include "store/abort.h"
#include "store/ansi_text.h"
#include "store/engine_error.h"
#include "xbase/cursor.h"
#include "xbase/table_files.h"

namespace store {
namespace {

constexpr auto kStateCode = static_cast<int>(xbase::ErrorCode::State);
constexpr auto kNotFoundCode = static_cast<int>(xbase::ErrorCode::NotFound);

}  // namespace

EngineTable::EngineTable(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

EngineTable::~EngineTable() {
  const QSignalBlocker quiet(this);
  close();
}

template <typename Work>
decltype(auto) EngineTable::engine(Work&& work) const {
  struct Pass {
    const EngineTable& table;
    // A pass the filter ran in outside an operation ends before the next.
    explicit Pass(const EngineTable& t) : table(t) {
      if (table.engineDepth_++ == 0) end();
    }
    ~Pass() {
      if (--table.engineDepth_ == 0) end();
    }
    void end() {
      if (!table.filterRan_) return;
      table.filterRan_ = false;
      if (table.filterPassEnded_) table.filterPassEnded_();
    }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;
  } pass(*this);
  return translateEngineErrors(name(), std::forward<Work>(work));
}

bool EngineTable::testRecord(const xbase::Cursor& candidate) const {
  filterRan_ = true;
  return filterRecord_ && filterRecord_(RecordView(candidate, name(), settings_));
}

xbase::Cursor& EngineTable::cursor() const {
  if (!cursor_)
    throw EngineError(name(), QStringLiteral("Cannot perform this operation on a closed dataset"), kStateCode);
  return *cursor_;
}

// --- settings ---------------------------------------------------------------

namespace {
void requireClosed(const EngineTable& table) {
  if (table.isActive())
    throw EngineError(table.name(), QStringLiteral("Cannot perform this operation on an open dataset"), kStateCode);
}
}  // namespace

void EngineTable::setFolder(const QString& folder) {
  requireClosed(*this);
  folder_ = folder;
}

void EngineTable::setTableName(const QString& tableName) {
  requireClosed(*this);
  tableName_ = tableName;
}

void EngineTable::setExclusive(bool exclusive) {
  requireClosed(*this);
  exclusive_ = exclusive;
}

QString EngineTable::filePath() const {
  // Tables written by other tools may spell the name in another case.
  const std::string name = toFileSystemPath(tableName_).string();
  const std::filesystem::path found = xbase::findIgnoringCase(toFileSystemPath(folder_), name);
  return found.empty() ? QDir(folder_).filePath(tableName_) : fromFileSystemPath(found);
}

void EngineTable::setIndexName(const QString& indexName) {
  if (!isActive()) {
    indexName_ = indexName;
    return;
  }
  if (!finishEditing()) return;
  const QString previous = indexName_;
  indexName_ = indexName;
  try {
    applyOrder();
  } catch (...) {
    indexName_ = previous;
    throw;
  }
  bof_ = eof_ = cursor().eof();
  emit dataSetChanged();
}

void EngineTable::setSettings(const EngineSettings& settings) {
  settings_ = settings;
  if (isActive()) engine([&] { cursor().setExact(settings_.exactComparison); });
}

void EngineTable::applyOrder() {
  engine([&] { cursor().setOrder(toAnsi(indexName_)); });
}

// --- open and close ---------------------------------------------------------

void EngineTable::open() {
  if (isActive()) return;
  const auto mode = exclusive_ ? xbase::OpenMode::Exclusive : xbase::OpenMode::Shared;
  cursor_ = engine([&] { return xbase::Cursor::open(toFileSystemPath(filePath()), mode); });
  codePage_ = codepage::CodePage::fromMark(cursor_->codePageMark());
  try {
    engine([&] { cursor_->setExact(settings_.exactComparison); });
    if (!indexName_.isEmpty()) applyOrder();
    applyFilter();
    engine([&] { cursor_->first(); });
  } catch (...) {
    cursor_.reset();
    throw;
  }
  bof_ = true;
  eof_ = cursor_->eof();
  modified_ = false;
  setState(DatasetState::Browse);
  emit activeChanged(true);
  emit dataSetChanged();
}

void EngineTable::close() {
  if (!isActive()) return;
  if (cursor_->editing()) {
    try {
      cursor_->cancel();
    } catch (const xbase::Error&) {
      // Closing releases the record lock and the buffer anyway.
    }
  }
  cursor_.reset();
  bof_ = eof_ = true;
  modified_ = false;
  setState(DatasetState::Inactive);
  emit activeChanged(false);
}

void EngineTable::reopen(bool exclusive) {
  close();
  setExclusive(exclusive);
  open();
}

void EngineTable::setState(DatasetState state) {
  if (state_ == state) return;
  state_ = state;
  emit stateChanged(state);
}

// --- filter -----------------------------------------------------------------

void EngineTable::setFilterRecord(FilterRecordEvent handler) {
  filterRecord_ = std::move(handler);
  if (isActive()) applyFilter();
}

void EngineTable::setFilterKey(const QString& keyExpression, FilterKeyEvent handler) {
  filterKeyExpression_ = keyExpression;
  filterKey_ = std::move(handler);
  if (isActive()) applyFilter();
}

void EngineTable::setFilterText(const QString& expression) {
  if (!isActive() || !filtered_) {
    filterText_ = expression;
    return;
  }
  if (!finishEditing()) return;
  const QString previous = std::exchange(filterText_, expression);
  refilter([&] { filterText_ = previous; });
}

void EngineTable::applyFilter() {
  xbase::Cursor& c = cursor();
  engine([&] {
    c.setFilter(filtered_ ? toAnsi(filterText_, codePage_) : std::string());
    if (filtered_ && filterRecord_) {
      c.setRecordFilter([this](xbase::Cursor& candidate) { return testRecord(candidate); });
    } else {
      c.setRecordFilter({});
    }
    if (filtered_ && filterRecord_ && filterKey_) {
      c.setKeyFilter(toAnsi(filterKeyExpression_, codePage_), [this](std::string_view key, std::uint32_t recordNumber) {
        filterRan_ = true;
        return filterKey_(key, recordNumber);
      });
    } else {
      c.setKeyFilter({}, {});
    }
  });
}

void EngineTable::setFiltered(bool filtered) {
  if (!isActive()) {
    filtered_ = filtered;
    return;
  }
  if (!finishEditing()) return;
  const bool previous = std::exchange(filtered_, filtered);
  refilter([&] { filtered_ = previous; });
}

void EngineTable::refilter(const std::function<void()>& rollback) {
  const std::uint32_t current = cursor().recno();
  try {
    applyFilter();
  } catch (...) {
    rollback();
    try {
      applyFilter();
    } catch (const EngineError&) {
      // The previous settings were accepted before; report the new failure.
    }
    throw;
  }
  xbase::Cursor& c = cursor();
  // Switching off stays on the record the user was on, unless another user
  // has deleted it meanwhile.
  const bool stayed = !filtered_ && current != 0 && goIfPresent(current);
  if (stayed) {
    bof_ = eof_ = false;
  } else {
    engine([&] { c.first(); });
    bof_ = true;
    eof_ = c.eof();
  }
  emit dataSetChanged();
}

// --- position ---------------------------------------------------------------

bool EngineTable::finishEditing() {
  if (state_ != DatasetState::Edit && state_ != DatasetState::Insert) return true;
  if (modified_) return post();
  cancel();
  return true;
}

void EngineTable::first() {
  if (!finishEditing()) return;
  engine([&] { cursor().first(); });
  bof_ = true;
  eof_ = cursor().eof();
  emit dataSetScrolled();
}

void EngineTable::last() {
  if (!finishEditing()) return;
  engine([&] { cursor().last(); });
  eof_ = true;
  bof_ = cursor().eof();
  emit dataSetScrolled();
}

void EngineTable::next() { moveBy(1); }

void EngineTable::prior() { moveBy(-1); }

int EngineTable::moveBy(int n) {
  if (n == 0 || !finishEditing()) return 0;
  xbase::Cursor& c = cursor();
  const bool forward = n > 0;
  if (forward ? eof_ : bof_) return 0;
  int moved = 0;
  engine([&] {
    while (moved != n) {
      c.skip(forward ? 1 : -1);
      if (forward ? c.eof() : c.bof()) break;
      moved += forward ? 1 : -1;
    }
    // Ran off an end: stay on the record at that end and flag it, as a grid
    // expects.
    if (moved != n) {
      if (forward)
        c.last();
      else
        c.first();
      (forward ? eof_ : bof_) = true;
    }
  });
  if (moved != 0) (forward ? bof_ : eof_) = false;
  if (c.eof()) bof_ = eof_ = true;  // nothing passes
  emit dataSetScrolled();
  return moved;
}

std::uint32_t EngineTable::recordNumber() const { return isActive() ? cursor_->recno() : 0; }

bool EngineTable::seekExact(const QString& key) {
  return seekExactKey(QByteArray::fromStdString(toAnsi(key, codePage_)));
}

bool EngineTable::seekExactKey(const QByteArray& key) {
  if (!finishEditing()) return false;
  const std::string_view bytes(key.constData(), static_cast<std::size_t>(key.size()));
  const bool found = engine([&] { return cursor().seek(bytes, false); });
  if (found) {
    bof_ = eof_ = false;
    emit dataSetScrolled();
  }
  return found;
}

QByteArray EngineTable::keyFor(const QString& tagName) const {
  return QByteArray::fromStdString(engine([&] { return cursor().keyFor(toAnsi(tagName)); }));
}

void EngineTable::seekNearest(const QString& key) {
  if (!finishEditing()) return;
  xbase::Cursor& c = cursor();
  engine([&] {
    c.seek(toAnsi(key, codePage_), true);
    if (c.eof()) {
      c.last();  // past every key: the last record, flagged as the end
      eof_ = true;
      bof_ = c.eof();
    } else {
      bof_ = eof_ = false;
    }
  });
  emit dataSetScrolled();
}

// --- bookmarks --------------------------------------------------------------

Bookmark EngineTable::bookmark() const {
  if (!isActive() || isEmpty()) return {};
  return {cursor_->recno()};
}

bool EngineTable::goIfPresent(std::uint32_t recordNumber) {
  xbase::Cursor& c = cursor();
  try {
    c.go(recordNumber);
  } catch (const xbase::Error&) {
    return false;
  }
  return c.recno() == recordNumber && !c.eof() && !c.deleted();
}

void EngineTable::gotoBookmark(const Bookmark& bookmark) {
  if (!finishEditing()) return;
  xbase::Cursor& c = cursor();
  if (!bookmark.isValid() || !goIfPresent(bookmark.recordNumber)) {
    engine([&] { c.first(); });
    bof_ = true;
    eof_ = c.eof();
    emit dataSetScrolled();
    throw EngineError(name(), QStringLiteral("Record not found"), static_cast<int>(xbase::ErrorCode::NotFound));
  }
  bof_ = eof_ = false;
  emit dataSetScrolled();
}

// --- records ----------------------------------------------------------------

int EngineTable::recordCount() const {
  if (!isActive()) return 0;
  return static_cast<int>(engine([&] { return cursor_->count(); }));
}

void EngineTable::runEvent(const Event& handler) {
  if (handler) handler(*this);
}

void EngineTable::append() {
  if (!finishEditing()) return;
  engine([&] { cursor().beginAppend(); });
  modified_ = false;
  setState(DatasetState::Insert);
  emit dataSetChanged();
  runEvent(afterInsert_);
}

void EngineTable::insert() { append(); }

void EngineTable::edit() {
  if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) return;
  if (isEmpty()) {
    append();
    return;
  }
  try {
    engine([&] { cursor().beginEdit(); });
  } catch (const EngineError& e) {
    if (e.code() == kNotFoundCode) leaveVanishedRecord();
    throw;
  }
  modified_ = false;
  setState(DatasetState::Edit);
}

// The current record was deleted (or cut off) by someone else: move on to
// its successor, or the last entry, and have every control reread, so that
// what is shown is the table as it is now.
void EngineTable::leaveVanishedRecord() {
  xbase::Cursor& c = cursor();
  engine([&] {
    c.skip(1);
    if (c.eof()) c.last();
  });
  bof_ = eof_ = c.eof();
  emit dataSetChanged();
}

bool EngineTable::post() {
  if (state_ != DatasetState::Edit && state_ != DatasetState::Insert) return true;
  try {
    runEvent(beforePost_);
  } catch (const Abort&) {
    return false;  // the handler has said all there is to say
  }
  xbase::Cursor& c = cursor();
  const bool editedRecord = state_ == DatasetState::Edit;
  try {
    engine([&] { writer_.post ? writer_.post(c) : c.post(); });
  } catch (const EngineError& e) {
    if (!c.editing()) {  // the engine dropped the buffer: follow it
      modified_ = false;
      setState(DatasetState::Browse);
      // A record deleted elsewhere: its successor becomes current.
      if (e.code() == kNotFoundCode && editedRecord)
        leaveVanishedRecord();
      else
        emit dataSetChanged();
    }
    throw;
  }
  modified_ = false;
  bof_ = eof_ = false;
  setState(DatasetState::Browse);
  emit dataSetChanged();
  runEvent(afterPost_);
  return true;
}

void EngineTable::cancel() {
  if (state_ != DatasetState::Edit && state_ != DatasetState::Insert) return;
  engine([&] { cursor().cancel(); });
  modified_ = false;
  setState(DatasetState::Browse);
  emit dataSetChanged();
  runEvent(afterCancel_);
}

void EngineTable::deleteRecord() {
  if (state_ == DatasetState::Insert) {
    cancel();
    return;
  }
  xbase::Cursor& c = cursor();
  if (state_ == DatasetState::Edit) {
    engine([&] { c.cancel(); });  // the record goes, so do its pending changes
    modified_ = false;
    setState(DatasetState::Browse);
  }
  if (isEmpty())
    throw EngineError(name(), QStringLiteral("Cannot perform this operation on an empty dataset"), kStateCode);
  engine([&] {
    writer_.remove ? writer_.remove(c) : c.deleteRecord();
    if (c.eof()) c.last();  // the deleted record was the last one
  });
  bof_ = eof_ = c.eof();
  emit dataSetChanged();
  runEvent(afterDelete_);
}

// --- fields -----------------------------------------------------------------

RecordView EngineTable::record() const { return RecordView(cursor(), name(), settings_); }

bool EngineTable::hasField(const QString& field) const { return record().hasField(field); }
QString EngineTable::text(const QString& field) const { return record().text(field); }
QByteArray EngineTable::bytes(const QString& field) const { return record().bytes(field); }
QDate EngineTable::date(const QString& field) const { return record().date(field); }

std::string EngineTable::bytesAt(std::uint32_t recordNumber, int field) {
  return engine([&] { return cursor().valueAt(recordNumber, field); });
}

void EngineTable::holdMemoReads() {
  engine([&] { cursor().holdMemoReads(); });
}

void EngineTable::releaseMemoReads() {
  if (isActive()) cursor_->releaseMemoReads();
}

void EngineTable::requireEditing() const {
  if (state_ != DatasetState::Edit && state_ != DatasetState::Insert)
    throw EngineError(name(), QStringLiteral("Dataset not in edit or insert mode"), kStateCode);
}

// A character field keeps what fits, as an edit box of its width would: the
// engine cuts the value to the field's width.
void EngineTable::writeField(const QString& field, int index, const std::string& raw) {
  requireEditing();
  engine([&] { cursor().setValue(index, raw); });
  modified_ = true;
  emit recordChanged(field);
}

void EngineTable::setText(const QString& field, const QString& value) {
  const int index = record().fieldIndex(field);
  if (cursor().fields().at(static_cast<std::size_t>(index)).type != 'D') {
    writeField(field, index, toAnsi(value, codePage_));
    return;
  }
  const QDate date = settings_.parseDate(value);
  if (!value.trimmed().isEmpty() && !date.isValid())
    throw EngineError(name(), QStringLiteral("'%1' is not a valid date").arg(value),
                      static_cast<int>(xbase::ErrorCode::Argument));
  writeField(field, index, engineDate(date));
}

void EngineTable::setBytes(const QString& field, const QByteArray& value) {
  requireEditing();
  writeField(field, record().fieldIndex(field), value.toStdString());
}

void EngineTable::setDate(const QString& field, const QDate& value) {
  requireEditing();
  writeField(field, record().fieldIndex(field), engineDate(value));
}

QList<RowSnapshot> EngineTable::peekRows(int offset, int count, const QStringList& fields) {
  QList<RowSnapshot> rows;
  if (state_ != DatasetState::Browse || isEmpty() || count <= 0) return rows;
  xbase::Cursor& c = cursor();
  const std::uint32_t home = c.recno();
  const RecordView view = record();
  const std::string order = indexName_.isEmpty() ? std::string() : toAnsi(indexName_);
  auto readRows = [&] {
    if (offset != 0) c.skip(offset);
    if (c.bof()) c.first();
    while (!c.eof() && rows.size() < count) {
      RowSnapshot row{{c.recno()}, {}, {}};
      for (const QString& field : fields) row.values << view.text(field);
      if (!order.empty()) row.key = QByteArray::fromStdString(c.keyFor(order));
      rows << row;
      c.skip(1);
    }
  };
  try {
    engine(readRows);
  } catch (...) {
    engine([&] { c.go(home); });
    throw;
  }
  engine([&] { c.go(home); });
  return rows;
}

int EngineTable::walkingCount() const {
  if (!isActive()) return 0;
  return engine([&] {
    // Natural order: the count does not depend on the order, and the records
    // are then read in long sequential blocks.
    const auto walker = xbase::Cursor::open(cursor().path(), xbase::OpenMode::Shared);
    walker->setExact(settings_.exactComparison);
    walker->setFilter(filtered_ ? toAnsi(filterText_) : std::string());
    if (filtered_ && filterRecord_) {
      walker->setRecordFilter([this](xbase::Cursor& candidate) { return testRecord(candidate); });
    }
    int count = 0;
    for (walker->first(); !walker->eof(); walker->skip(1)) ++count;
    return count;
  });
}

// --- maintenance ------------------------------------------------------------

void EngineTable::pack() {
  if (!finishEditing()) return;
  xbase::Cursor& c = cursor();
  engine([&] { c.pack(); });
  bof_ = true;
  eof_ = c.eof();
  emit dataSetChanged();
}

void EngineTable::createTag(const QString& tagName, const QString& keyExpression) {
  engine([&] { cursor().createTag(toAnsi(tagName), toAnsi(keyExpression)); });
}

QString EngineTable::lastUpdate() const {
  return fromAnsi(engine([&] { return cursor().lastUpdate(); }));
}

// --- bound controls -----------------------------------------------------------

void EngineTable::disableControls() { ++disableCount_; }

void EngineTable::enableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ == 0) emit controlsReenabled();
}

}  // namespace store
