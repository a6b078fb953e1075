#pragma once

// A data-aware grid of one text column over a data source.
//
// The grid never asks how many records the table holds and never walks the
// table: it keeps a window of the rows that fit on the screen, read around
// the current record with EngineTable::peekRows(), and re-reads that window
// when the table moves outside it or its contents change. The current record
// keeps its place on the screen where it can, as in a classic data grid:
// moving past the last visible row scrolls by one, first() shows the top,
// last() shows the bottom. The vertical scroll bar shows the position
// approximately, without counting records: at the ends for the first and last
// record, in between by the current name's letters when the table is in an
// index order over the column (alphabetical), in the middle otherwise.
// Letting the thumb go between the ends seeks the name estimated for that
// place (a page towards it in natural order).
//
// Keys (browse state): Up, Down, Page Up, Page Down move; Ctrl+Home and
// Ctrl+End go to the first and last record; Ctrl+Del deletes the current
// record after "Delete record?". Typed
// characters are reported through keyTyped() and never start an edit: the
// column is edited only while the table is in Edit or Insert state, in an
// editor over the current cell whose text goes into the record buffer
// (characters the table cannot store are refused, widgets/text_guard.h).
//
// Marking rows: a plain click clears the marks and marks the clicked row,
// Ctrl+click (Ctrl+Space on the current row) marks or unmarks one row, and
// Shift+click (Shift+Up/Down) marks the rows from the anchor, the row last
// clicked or toggled, to the clicked (or reached) one. Marks are bookmarks;
// a Shift range is kept as its two ends with their index keys, so marking
// it reads nothing between them: the rows on the screen are compared with
// the ends, and the rows between are read only when selectedRows() is
// asked. Changing the order clears the marks.

#include <QAbstractScrollArea>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

#include "store/data_source.h"
#include "store/engine_table.h"
#include "widgets/data_link.h"

class QLineEdit;

namespace widgets {

class DbGrid : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit DbGrid(QWidget* parent = nullptr);

  // The data source (nullptr detaches the grid, showing nothing).
  void setDataSource(store::DataSource* source);
  store::DataSource* dataSource() const { return link_.dataSource(); }

  // The one column: field, title, width in pixels, maximum text length.
  void setColumn(const QString& field, const QString& title, int width, int maxLength);
  int columnWidth() const { return columnWidth_; }
  void setColumnWidth(int width);
  void setTitleFont(const QFont& font);

  // Whether a delete from the keyboard asks "Delete record?" first.
  void setConfirmDelete(bool on) { confirmDelete_ = on; }

  // The marked rows: those marked one by one in the order marked, then
  // those of the Shift range (read from the table, in its order and filter).
  QList<store::Bookmark> selectedRows();
  // The ends of the marks without reading between them: the ends of the
  // Shift range when every other mark lies inside it, otherwise the rows
  // marked one by one (none when some of them lie outside the range).
  QList<store::Bookmark> markedEnds() const;
  void clearSelection();

  // Rows the screen shows (without the title row); the window read per move.
  int visibleRowCount() const;
  // The texts of the rows on the screen, top to bottom (tests, accessibility).
  QStringList visibleTexts() const;
  // Index of the current record among visibleTexts(), -1 when none.
  int currentRowIndex() const { return rows_.isEmpty() ? -1 : currentRow_; }
  // Where row `row` of visibleTexts() is drawn, in viewport coordinates.
  QRect rowRect(int row) const { return cellRect(row); }
  // The in-place editor while the table is in Edit or Insert state.
  QLineEdit* editor() const { return editor_; }

  QSize sizeHint() const override;

 signals:
  // A character typed while the grid (or its editor) had the focus, before
  // the grid handles the key itself.
  void keyTyped(QChar character);
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  store::EngineTable* table() const;
  bool browsing() const;
  bool editing() const;

  // Re-reads the window of rows around the current record, keeping the
  // current record at `screenRow` where the table allows.
  void reload(int screenRow);
  void onScrolled();
  void onChanged();
  void onStateChanged(store::DatasetState state);
  void refreshCurrentText();
  bool orderedByColumn() const;
  int scrollPlace() const;
  void updateScrollBars();
  void updateEditor();
  void onScrollAction(int action);

  void moveBy(int rows);
  // A row's place in the order: its index key ("" in natural order), then
  // its record number.
  struct Place {
    store::Bookmark bookmark;
    QByteArray key;
  };
  static bool before(const Place& a, const Place& b);
  bool markedOneByOne(const store::Bookmark& row) const;
  Place currentPlace() const;
  bool inRange(const Place& place) const;
  bool isMarked(const Place& place) const;
  void markOnly();
  void toggleCurrent();
  void extendRange();
  // The Shift range becomes rows marked one by one (read from the table).
  void foldRange();
  QList<Place> rangeRows();
  void deleteCurrent();
  void cancelUntouchedInsert();
  void focusLeaving(const QFocusEvent* event);

  int indicatorWidth() const;
  int titleHeight() const;
  int rowHeight() const;
  QRect cellRect(int row) const;
  int rowAt(const QPoint& pos) const;
  bool onColumnEdge(const QPoint& pos) const;
  void paintIndicator(QPainter& p, const QRect& box, int row) const;

  struct Row {
    Place place;
    QString text;
    bool inserting = false;  // the new record's row while inserting
  };
  struct Range {
    Place from;  // the anchor
    Place to;
  };

  DataLink link_;
  QString title_ = QStringLiteral("NAME");
  int columnWidth_ = 64;
  QFont titleFont_;
  bool confirmDelete_ = true;
  QList<Row> rows_;
  int currentRow_ = 0;
  QList<Place> selected_;       // marked one by one, in the order marked
  std::optional<Range> range_;  // marked with Shift
  Place anchor_;                // where the next Shift range starts
  QString marksOrder_;          // the index order the marks were made in
  QLineEdit* editor_ = nullptr;
  bool loadingEditor_ = false;
  bool writingEditor_ = false;
  int resizeStartX_ = -1;
  int resizeStartWidth_ = 0;
};

}  // namespace widgets
