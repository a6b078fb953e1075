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
// Ctrl+End go to the first and last record; Shift+Up/Down and Ctrl+click mark
// rows; Ctrl+Del deletes the current record after "Delete record?". Typed
// characters are reported through keyTyped() and never start an edit: the
// column is edited only while the table is in Edit or Insert state, in an
// editor over the current cell whose text goes into the record buffer
// (characters the table cannot store are refused, widgets/text_guard.h).

#include <QAbstractScrollArea>
#include <QList>
#include <QSet>
#include <QString>

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

  // The rows marked with Ctrl+click or Shift+arrows, in the order marked.
  QList<store::Bookmark> selectedRows() const;
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
  void markCurrent(bool toggle);
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
    store::Bookmark bookmark;
    QString text;
    bool inserting = false;  // the new record's row while inserting
  };

  DataLink link_;
  QString title_ = QStringLiteral("NAME");
  int columnWidth_ = 64;
  QFont titleFont_;
  bool confirmDelete_ = true;
  QList<Row> rows_;
  int currentRow_ = 0;
  QList<store::Bookmark> selected_;
  QLineEdit* editor_ = nullptr;
  bool loadingEditor_ = false;
  bool writingEditor_ = false;
  int resizeStartX_ = -1;
  int resizeStartWidth_ = 0;
};

}  // namespace widgets
