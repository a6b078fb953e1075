#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "codepage/code_page.h"
#include "store/dataset_state.h"
#include "store/engine_settings.h"
#include "store/record_view.h"

namespace xbase {
class Cursor;
}

namespace store {

// A remembered position: the record number, valid across order changes.
struct Bookmark {
  std::uint32_t recordNumber = 0;
  bool isValid() const { return recordNumber != 0; }
};

// One record read ahead for display, without moving the table.
struct RowSnapshot {
  Bookmark bookmark;
  QStringList values;  // in the order of the requested fields
  QByteArray key;      // its key in the index order in force ("" in natural order)
};

// A table component: one engine cursor on a table file, with its settings
// (folder, table name, index, exclusive), the cursor states Browse, Edit and
// Insert, the table events, fields by name and a filter.
//
// Settings may be changed while closed; the index and the filter also while
// open. open() applies them all and goes to the first record.
//
// Errors: every engine failure is thrown as EngineError carrying this
// component's name (its objectName), so the default error box can show
// "tblAddress: <engine text>". An operation that fails leaves the state as it
// was (e.g. a failed post stays in Edit or Insert).
//
// Bound controls do not connect to the table's signals directly but to a
// DataSource, which holds them back while controls are disabled.
class EngineTable : public QObject {
  Q_OBJECT

 public:
  using Event = std::function<void(EngineTable&)>;
  // Accept (true) or reject the record that `record` shows.
  using FilterRecordEvent = std::function<bool(const RecordView& record)>;
  // May the record at `recordNumber`, whose index key is `key`, pass the
  // filter-record event? Asked before the record is read; false passes it by
  // (see xbase::Cursor::setKeyFilter).
  using FilterKeyEvent = std::function<bool(std::string_view key, std::uint32_t recordNumber)>;

  explicit EngineTable(const QString& name, QObject* parent = nullptr);
  ~EngineTable() override;  // cancels an unfinished edit and closes

  QString name() const { return objectName(); }

  // --- settings
  void setFolder(const QString& folder);
  QString folder() const { return folder_; }
  void setTableName(const QString& tableName);
  QString tableName() const { return tableName_; }
  // Folder and table name joined; when no file has that exact name, the one
  // whose name differs only in case.
  QString filePath() const;
  // The index tag giving the order, by name ignoring case; "" for natural
  // order. Changing it while open keeps the current record.
  void setIndexName(const QString& indexName);
  QString indexName() const { return indexName_; }
  void setExclusive(bool exclusive);  // takes effect at the next open
  bool exclusive() const { return exclusive_; }
  void setSettings(const EngineSettings& settings);
  const EngineSettings& settings() const { return settings_; }

  // --- open and close
  void open();   // no-op when active
  void close();  // cancels an unfinished edit; no-op when closed
  // Closes, sets the exclusive flag and opens again (at the first record).
  void reopen(bool exclusive);
  bool isActive() const { return cursor_ != nullptr; }
  DatasetState state() const { return state_; }

  // --- events (handlers may be empty). A before-post handler stops the
  // post by throwing Abort. The filter-record event applies only while
  // filtered, after the filter expression.
  void setBeforePost(Event handler) { beforePost_ = std::move(handler); }
  // How a record reaches the file: by default the engine's post and delete;
  // the data module hands the address table's records to the book.
  struct RecordWriter {
    std::function<void(xbase::Cursor& editing)> post;
    std::function<void(xbase::Cursor& current)> remove;
  };
  void setRecordWriter(RecordWriter writer) { writer_ = std::move(writer); }
  void setAfterInsert(Event handler) { afterInsert_ = std::move(handler); }
  void setAfterPost(Event handler) { afterPost_ = std::move(handler); }
  void setAfterCancel(Event handler) { afterCancel_ = std::move(handler); }
  void setAfterDelete(Event handler) { afterDelete_ = std::move(handler); }
  void setFilterRecord(FilterRecordEvent handler);
  // Asked, along with the filter-record event, for each entry met in the
  // order of a tag whose key expression is written like `keyExpression`
  // and whose keys hold its whole value, before the record is read. It must
  // answer true for every record the filter-record event accepts.
  void setFilterKey(const QString& keyExpression, FilterKeyEvent handler);
  // Runs once after each operation (a move, a refilter, a count) during
  // which the filter-record event ran: the event may keep what serves the
  // records of one pass (e.g. a held lock) until then. Must not throw.
  void setFilterPassEnded(std::function<void()> handler) { filterPassEnded_ = std::move(handler); }

  // --- filter
  // The engine's filter expression, applied while filtered; "" for none.
  void setFilterText(const QString& expression);
  QString filterText() const { return filterText_; }
  // Switching on applies the expression and the filter-record event and goes
  // to the first record that passes; switching off keeps the current record.
  void setFiltered(bool filtered);
  bool filtered() const { return filtered_; }

  // --- position
  void first();
  void last();
  void next();
  void prior();
  // Moves n records (negative: backwards); returns how many it moved.
  int moveBy(int n);
  // As in a grid: bof after first() or a move before the first record, eof
  // after last() or a move past the last one; both on an empty table.
  bool bof() const { return bof_; }
  bool eof() const { return eof_; }
  bool isEmpty() const { return bof_ && eof_; }
  std::uint32_t recordNumber() const;

  // Moving while editing or inserting first finishes the edit: it posts a
  // modified buffer, cancels an unmodified one. When the post is stopped the
  // move does not happen.

  // --- seek in the index order; the key is taken as given (callers
  // upper-case it). Exact: true and positioned when found, position kept on
  // a miss. Nearest: on the first key not below, or the last record.
  bool seekExact(const QString& key);
  void seekNearest(const QString& key);
  // Exact seek with a key in the index's own bytes, as keyFor() gives it.
  bool seekExactKey(const QByteArray& key);
  // The key the tag `tagName` gives the current record or the buffer being
  // edited, built by the engine from the tag's expression; "" on no record.
  QByteArray keyFor(const QString& tagName) const;

  // --- bookmarks
  Bookmark bookmark() const;
  // EngineError "Record not found" (and at the first record) when the record
  // is gone.
  void gotoBookmark(const Bookmark& bookmark);
  void freeBookmark(Bookmark& bookmark) { bookmark = {}; }

  // --- records
  // Non-deleted records passing the filter expression (the filter-record
  // event is not counted). 0 when closed.
  int recordCount() const;
  // Records passing the filter expression and the filter-record event,
  // counted by walking a cursor of its own over the same file, so the
  // current record, an edit under way and the bound controls are left
  // alone. Closed: 0.
  int walkingCount() const;
  void append();  // Insert state with an empty buffer; after-insert event
  void insert();  // the same: a new record goes where its key sorts
  // Edit state for the current record; on an empty table it inserts.
  void edit();
  // Runs before-post, writes, back to Browse, runs after-post. Returns false
  // (state and buffer untouched) when before-post threw Abort. In Browse
  // state it does nothing and returns true.
  bool post();
  // Drops the buffer, back to Browse, runs after-cancel. No-op in Browse.
  void cancel();
  // Deletes the current record (while inserting: cancels instead), moves to
  // the next record or the last one; after-delete event.
  void deleteRecord();
  bool isModified() const { return modified_; }

  // --- fields of the current record, or of the buffer while editing
  RecordView record() const;
  bool hasField(const QString& field) const;
  QString text(const QString& field) const;
  // The code page of the open table's text (from its header; the last open
  // table's after close, Windows-1252 before the first open). Editors ask it
  // whether a character can be stored.
  const codepage::CodePage& codePage() const { return codePage_; }
  QByteArray bytes(const QString& field) const;
  QDate date(const QString& field) const;
  // The engine's bytes of `field` in record `recordNumber` as on disk (a
  // memo's whole text), read without moving the table, leaving an edit
  // alone and without signals. EngineError when the record is not there.
  std::string bytesAt(std::uint32_t recordNumber, int field);
  // A run of memo reads under one read lock (see xbase::Cursor::
  // holdMemoReads); nested holds need as many releases. Closing ends it.
  void holdMemoReads();
  void releaseMemoReads();
  // Writing needs Edit or Insert state (EngineError otherwise).
  void setText(const QString& field, const QString& value);      // dates in the settings' format
  void setBytes(const QString& field, const QByteArray& value);  // dates "YYYYMMDD"
  void setDate(const QString& field, const QDate& value);

  // Reads up to `count` records starting `offset` records away from the
  // current one, in the current order and filter, and returns to the current
  // record; no signals. Browse state only (empty list otherwise).
  QList<RowSnapshot> peekRows(int offset, int count, const QStringList& fields);

  // --- maintenance (exclusive opens)
  void pack();  // deleted records go, the tags are rebuilt; at first record
  void createTag(const QString& tagName, const QString& keyExpression);
  QString lastUpdate() const;  // the table's date of last change, "MM/DD/YY"

  // --- bound controls: while the count is above zero, DataSources hold
  // their notifications back and give one refresh when it returns to zero.
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return disableCount_ > 0; }

 signals:
  // For DataSource; controls connect to the DataSource instead.
  void dataSetChanged();                     // contents or order changed: reread everything
  void dataSetScrolled();                    // the current record moved
  void recordChanged(const QString& field);  // a field of the buffer changed
  void stateChanged(store::DatasetState state);
  void activeChanged(bool active);
  void controlsReenabled();  // the disable count returned to zero

 private:
  xbase::Cursor& cursor() const;  // EngineError when closed
  template <typename Work>
  decltype(auto) engine(Work&& work) const;
  void setState(DatasetState state);
  void applyOrder();
  void applyFilter();
  // Applies changed filter settings and goes to the first record passing
  // (or, switched off, stays on the current one); when the engine refuses
  // them, `rollback` restores the settings before the error is rethrown.
  void refilter(const std::function<void()>& rollback);
  bool finishEditing();  // the implicit post/cancel before a move
  // Positions on the record; false when it is gone (deleted, out of range).
  bool goIfPresent(std::uint32_t recordNumber);
  void leaveVanishedRecord();
  void requireEditing() const;  // EngineError unless in Edit or Insert state
  void writeField(const QString& field, int index, const std::string& raw);
  void runEvent(const Event& handler);

  QString folder_ = QStringLiteral(".");
  QString tableName_;
  QString indexName_;
  bool exclusive_ = false;
  EngineSettings settings_;
  codepage::CodePage codePage_;
  std::unique_ptr<xbase::Cursor> cursor_;
  DatasetState state_ = DatasetState::Inactive;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  QString filterText_;
  bool filtered_ = false;
  int disableCount_ = 0;
  Event beforePost_, afterInsert_, afterPost_, afterCancel_, afterDelete_;
  RecordWriter writer_;
  FilterRecordEvent filterRecord_;
  QString filterKeyExpression_;
  FilterKeyEvent filterKey_;
  std::function<void()> filterPassEnded_;
  // The operations under way (engine() nests) and whether the filter-record
  // event ran in them.
  mutable int engineDepth_ = 0;
  mutable bool filterRan_ = false;
  // Calls the filter-record event for the record `candidate` holds.
  bool testRecord(const xbase::Cursor& candidate) const;
};

// Holds a table's bound controls back for its lifetime.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(EngineTable& table) : table_(table) { table_.disableControls(); }
  ~ControlsDisabled() { table_.enableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  EngineTable& table_;
};

}  // namespace store
