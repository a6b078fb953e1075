#include "widgets/db_grid.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QWheelEvent>

#include "platform/dialogs.h"
#include "store/engine_error.h"
#include "widgets/input_events.h"
#include "widgets/key_position.h"
#include "widgets/text_guard.h"

namespace widgets {
namespace {

using store::DatasetState;

// The vertical scroll bar's scale; its page step only sizes the thumb.
constexpr int kScrollTop = 0;
constexpr int kScrollBottom = 100;
constexpr int kScrollPage = 10;
constexpr int kColumnGrip = 3;  // pixels either side of the column edge that start a resize

bool sameRecord(const store::Bookmark& a, const store::Bookmark& b) { return a.recordNumber == b.recordNumber; }

}  // namespace

DbGrid::DbGrid(QWidget* parent) : QAbstractScrollArea(parent), titleFont_(font()) {
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  viewport()->setMouseTracking(true);
  viewport()->setBackgroundRole(QPalette::Base);
  verticalScrollBar()->setRange(kScrollTop, kScrollBottom);
  verticalScrollBar()->setPageStep(kScrollPage);
  verticalScrollBar()->setTracking(false);  // a dragged thumb acts once, where it is let go
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &DbGrid::onScrollAction);

  editor_ = new QLineEdit(viewport());
  editor_->setObjectName(QStringLiteral("InplaceEditor"));
  editor_->setFrame(false);
  editor_->hide();
  editor_->installEventFilter(this);
  (new TextGuard(editor_, [this] { return link_.codePage(); }))->guardLineEdit(editor_);
  connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (loadingEditor_ || !editing()) return;
    // The field gives its text back without trailing blanks; while the
    // user types, the editor keeps what was typed (a blank before the next
    // word included).
    writingEditor_ = true;
    const auto done = qScopeGuard([this] { writingEditor_ = false; });
    table()->setText(link_.field(), text);
  });

  link_.setField(QStringLiteral("NAME"));
  connect(&link_, &DataLink::dataSetChanged, this, &DbGrid::onChanged);
  connect(&link_, &DataLink::dataSetScrolled, this, &DbGrid::onScrolled);
  connect(&link_, &DataLink::fieldChanged, this, &DbGrid::refreshCurrentText);
  connect(&link_, &DataLink::stateChanged, this, &DbGrid::onStateChanged);
  connect(&link_, &DataLink::activeChanged, this, [this](bool active) {
    if (!active) clearSelection();
    onChanged();
  });
  connect(&link_, &DataLink::dataSetReplaced, this, &DbGrid::onChanged);
}

QSize DbGrid::sizeHint() const { return {290, 147}; }

// --- binding

void DbGrid::setDataSource(store::DataSource* source) {
  if (link_.setDataSource(source)) onChanged();
}

store::EngineTable* DbGrid::table() const { return link_.table(); }

bool DbGrid::browsing() const { return table() && table()->state() == DatasetState::Browse; }

bool DbGrid::editing() const { return link_.editing(); }

void DbGrid::setColumn(const QString& field, const QString& title, int width, int maxLength) {
  link_.setField(field);
  title_ = title;
  editor_->setMaxLength(maxLength);
  setColumnWidth(width);
  onChanged();
}

void DbGrid::setColumnWidth(int width) {
  columnWidth_ = qMax(8, width);
  updateScrollBars();
  updateEditor();
  viewport()->update();
}

void DbGrid::setTitleFont(const QFont& font) {
  titleFont_ = font;
  onChanged();
}

void DbGrid::clearSelection() {
  selected_.clear();
  range_.reset();
  anchor_ = {};
  marksOrder_ = table() ? table()->indexName() : QString();
  viewport()->update();
}

QStringList DbGrid::visibleTexts() const {
  QStringList texts;
  for (const Row& row : rows_) texts << row.text;
  return texts;
}

// --- the window of rows

int DbGrid::rowHeight() const { return fontMetrics().height() + 3; }

int DbGrid::titleHeight() const { return QFontMetrics(titleFont_).height() + 4; }

int DbGrid::indicatorWidth() const { return 11; }

int DbGrid::visibleRowCount() const { return qMax(1, (viewport()->height() - titleHeight()) / rowHeight()); }

void DbGrid::reload(int screenRow) {
  store::EngineTable* t = table();
  if (editing()) {
    // The window cannot be re-read while a record is being edited: the rows
    // stay and the current one follows the record buffer.
    onStateChanged(t->state());
    refreshCurrentText();
    return;
  }
  rows_.clear();
  currentRow_ = 0;
  if (!t || !t->isActive() || t->isEmpty()) {
    updateScrollBars();
    updateEditor();
    viewport()->update();
    return;
  }
  const int visible = visibleRowCount();
  const QStringList fields{link_.field()};
  const QList<store::RowSnapshot> below = t->peekRows(0, visible, fields);
  // Rows before the current one: read from `wanted` back, stopping at the
  // current record in case the read was cut short at the top. On the first
  // record there are none, and looking for them would walk a filtered table
  // back to its start.
  const int wanted = t->bof() ? 0 : qMax(qBound(0, screenRow, visible - 1), visible - static_cast<int>(below.size()));
  const store::Bookmark current = t->bookmark();
  if (wanted > 0) {
    for (const store::RowSnapshot& snap : t->peekRows(-wanted, wanted, fields)) {
      if (sameRecord(snap.bookmark, current)) break;
      rows_.append(Row{{snap.bookmark, snap.key}, snap.values.value(0), false});
    }
  }
  currentRow_ = static_cast<int>(rows_.size());
  for (const store::RowSnapshot& snap : below)
    rows_.append(Row{{snap.bookmark, snap.key}, snap.values.value(0), false});
  while (rows_.size() > visible && currentRow_ < rows_.size() - 1) rows_.removeLast();
  updateScrollBars();
  updateEditor();
  viewport()->update();
}

void DbGrid::onChanged() {
  if (table() && table()->indexName() != marksOrder_) clearSelection();
  reload(currentRow_);
}

void DbGrid::onScrolled() {
  store::EngineTable* t = table();
  if (!t || !t->isActive()) return onChanged();
  if (browsing()) {
    const store::Bookmark current = t->bookmark();
    for (int i = 0; i < rows_.size(); ++i) {
      if (!rows_[i].inserting && sameRecord(rows_[i].place.bookmark, current)) {
        currentRow_ = i;
        updateScrollBars();
        viewport()->update();
        return;
      }
    }
  }
  reload(currentRow_);
}

void DbGrid::refreshCurrentText() {
  store::EngineTable* t = table();
  if (!t || !t->isActive() || currentRow_ >= rows_.size()) return;
  const QString text = t->text(link_.field());
  rows_[currentRow_].text = text;
  if (editor_->isVisible() && !writingEditor_ && editor_->text() != text) {
    loadingEditor_ = true;
    editor_->setText(text);
    loadingEditor_ = false;
  }
  viewport()->update();
}

void DbGrid::onStateChanged(DatasetState state) {
  switch (state) {
    case DatasetState::Insert: {
      // The new record shows as a blank row at the current place.
      const bool alreadyShown = currentRow_ < rows_.size() && rows_[currentRow_].inserting;
      if (!alreadyShown) {
        rows_.insert(qMin(currentRow_, static_cast<int>(rows_.size())), Row{{}, QString(), true});
        currentRow_ = qMin(currentRow_, static_cast<int>(rows_.size()) - 1);
        while (rows_.size() > visibleRowCount() && currentRow_ < rows_.size() - 1) rows_.removeLast();
      }
      break;
    }
    case DatasetState::Edit:
      if (rows_.isEmpty()) rows_.append(Row{currentPlace(), table()->text(link_.field()), false});
      break;
    case DatasetState::Browse:
    case DatasetState::Inactive: {
      const bool hadInsertRow = std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.inserting; });
      if (hadInsertRow || state == DatasetState::Inactive) return reload(currentRow_);
      break;
    }
  }
  updateEditor();
  updateScrollBars();
  viewport()->update();
}

// --- editor

void DbGrid::updateEditor() {
  const bool show = editing() && currentRow_ < rows_.size();
  if (!show) {
    if (editor_->isVisible()) {
      const bool hadFocus = editor_->hasFocus();
      setFocusProxy(nullptr);
      editor_->hide();
      if (hadFocus) setFocus(Qt::OtherFocusReason);
    }
    return;
  }
  const QRect cell = cellRect(currentRow_).adjusted(1, 0, -1, -1);
  editor_->setGeometry(cell);
  editor_->setFont(font());
  loadingEditor_ = true;
  const QString text = table()->text(link_.field());
  if (editor_->text() != text) editor_->setText(text);
  loadingEditor_ = false;
  if (!editor_->isVisible()) {
    const bool hadFocus = hasFocus();
    setFocusProxy(editor_);
    editor_->show();
    if (hadFocus) editor_->setFocus(Qt::OtherFocusReason);
  }
}

bool DbGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const QChar typed = typedCharacter(key);
      if (!typed.isNull()) emit keyTyped(typed);
      switch (key->key()) {
        case Qt::Key_Escape:
          if (editing()) table()->cancel();
          return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: keyPressEvent(key); return true;
        default: break;
      }
    } else if (event->type() == QEvent::FocusOut) {
      focusLeaving(static_cast<QFocusEvent*>(event));
      viewport()->update();
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

// A new record nobody has typed into is dropped when the focus leaves the grid.
void DbGrid::cancelUntouchedInsert() {
  store::EngineTable* t = table();
  if (t && t->state() == DatasetState::Insert && !t->isModified()) t->cancel();
}

void DbGrid::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void DbGrid::focusOutEvent(QFocusEvent* event) {
  focusLeaving(event);
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void DbGrid::focusLeaving(const QFocusEvent* event) {
  if (!focusMovedWithinWindow(event)) return;
  const QWidget* now = QApplication::focusWidget();
  if (now != this && now != editor_) cancelUntouchedInsert();
}

// --- scroll bars

bool DbGrid::orderedByColumn() const { return table() && !table()->indexName().isEmpty(); }

int DbGrid::scrollPlace() const {
  store::EngineTable* t = table();
  if (!t || !t->isActive() || t->isEmpty() || t->bof()) return kScrollTop;
  if (t->eof()) return kScrollBottom;
  const int shown = static_cast<int>(rows_.size());
  if (browsing() && shown > 1 && shown < visibleRowCount())  // the whole table is on the screen
    return kScrollBottom * currentRow_ / (shown - 1);
  const double position = orderedByColumn() && currentRow_ < shown ? keyPosition(rows_[currentRow_].text) : 0.5;
  return std::clamp(static_cast<int>(position * kScrollBottom + 0.5), kScrollTop + 1, kScrollBottom - 1);
}

// Setting the value (not the slider position) triggers no scroll action.
void DbGrid::updateScrollBars() {
  verticalScrollBar()->setValue(scrollPlace());
  const int contentWidth = indicatorWidth() + columnWidth_ + 1;
  horizontalScrollBar()->setRange(0, qMax(0, contentWidth - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(8);
}

void DbGrid::onScrollAction(int action) {
  store::EngineTable* t = table();
  if (!t || !t->isActive()) return;
  const int page = visibleRowCount();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: t->next(); break;
    case QAbstractSlider::SliderSingleStepSub: t->prior(); break;
    case QAbstractSlider::SliderPageStepAdd: t->moveBy(page); break;
    case QAbstractSlider::SliderPageStepSub: t->moveBy(-page); break;
    case QAbstractSlider::SliderToMinimum: t->first(); break;
    case QAbstractSlider::SliderToMaximum: t->last(); break;
    case QAbstractSlider::SliderMove: {
      // Where the thumb was let go: the ends go to the first and last
      // record; between them, in alphabetical order, the name estimated
      // for that place, otherwise a page towards it.
      const int place = verticalScrollBar()->sliderPosition();
      if (place <= kScrollTop)
        t->first();
      else if (place >= kScrollBottom)
        t->last();
      else if (orderedByColumn())
        t->seekNearest(keyAtPosition(static_cast<double>(place) / kScrollBottom));
      else
        t->moveBy(place < scrollPlace() ? -page : page);
      break;
    }
    default: break;
  }
  // Inside an action the slider position is what the scroll bar takes next.
  verticalScrollBar()->setSliderPosition(scrollPlace());
}

void DbGrid::scrollContentsBy(int, int) {
  updateEditor();
  viewport()->update();
}

void DbGrid::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) onChanged();  // the row height changed
}

void DbGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (rows_.size() != visibleRowCount()) onChanged();
  updateScrollBars();
}

// --- input

void DbGrid::moveBy(int rows) {
  if (store::EngineTable* t = table(); t && t->isActive() && rows != 0) t->moveBy(rows);
}

// --- marks

namespace {

constexpr int kRangeReadRows = 512;  // rows read at a time between the ends of a range

}  // namespace

bool DbGrid::before(const Place& a, const Place& b) {
  if (a.key != b.key) return a.key < b.key;
  return a.bookmark.recordNumber < b.bookmark.recordNumber;
}

bool DbGrid::markedOneByOne(const store::Bookmark& row) const {
  return std::any_of(selected_.begin(), selected_.end(), [&](const Place& s) { return sameRecord(s.bookmark, row); });
}

DbGrid::Place DbGrid::currentPlace() const {
  store::EngineTable* t = table();
  if (!t || !t->isActive() || t->isEmpty()) return {};
  return {t->bookmark(), orderedByColumn() ? t->keyFor(t->indexName()) : QByteArray()};
}

bool DbGrid::inRange(const Place& p) const {
  if (!range_) return false;
  const auto [low, high] = std::minmax(range_->from, range_->to, before);
  return !before(p, low) && !before(high, p);
}

bool DbGrid::isMarked(const Place& p) const { return inRange(p) || markedOneByOne(p.bookmark); }

QList<store::Bookmark> DbGrid::selectedRows() {
  QList<store::Bookmark> rows;
  for (const Place& p : selected_) rows << p.bookmark;
  for (const Place& p : rangeRows())
    if (!markedOneByOne(p.bookmark)) rows << p.bookmark;
  return rows;
}

QList<store::Bookmark> DbGrid::markedEnds() const {
  QList<store::Bookmark> ends;
  if (!range_) {
    for (const Place& p : selected_) ends << p.bookmark;
    return ends;
  }
  if (!std::all_of(selected_.begin(), selected_.end(), [&](const Place& s) { return inRange(s); })) return ends;
  ends << range_->from.bookmark;
  if (!sameRecord(range_->from.bookmark, range_->to.bookmark)) ends << range_->to.bookmark;
  return ends;
}

// Reads the range's rows from its lower end, a screenful at a time, until
// the upper end or the first row past it.
QList<DbGrid::Place> DbGrid::rangeRows() {
  QList<Place> rows;
  store::EngineTable* t = table();
  if (!range_ || !browsing() || t->isEmpty()) return rows;
  const auto [low, high] = std::minmax(range_->from, range_->to, before);
  const store::ControlsDisabled quiet(*t);
  const store::Bookmark home = t->bookmark();
  const auto goHome = qScopeGuard([&] {
    try {
      t->gotoBookmark(home);
    } catch (const store::EngineError&) {
      // gone meanwhile: the table stays where the read ended
    }
  });
  try {
    t->gotoBookmark(low.bookmark);
  } catch (const store::EngineError&) {
    return rows;  // the lower end has been deleted since it was marked
  }
  for (int skip = 0;; skip = 1) {
    const QList<store::RowSnapshot> chunk = t->peekRows(skip, kRangeReadRows, {});
    for (const store::RowSnapshot& snap : chunk) {
      const Place row{snap.bookmark, snap.key};
      if (before(high, row)) return rows;
      rows << row;
      if (sameRecord(snap.bookmark, high.bookmark)) return rows;
    }
    if (chunk.size() < kRangeReadRows) return rows;
    t->gotoBookmark(chunk.last().bookmark);
  }
}

void DbGrid::foldRange() {
  if (!range_) return;
  for (const Place& p : rangeRows())
    if (!markedOneByOne(p.bookmark)) selected_ << p;
  range_.reset();
}

void DbGrid::markOnly() {
  clearSelection();
  if (!browsing()) return;
  anchor_ = currentPlace();
  if (anchor_.bookmark.isValid()) selected_ << anchor_;
  viewport()->update();
}

void DbGrid::toggleCurrent() {
  const Place current = currentPlace();
  if (!current.bookmark.isValid() || !browsing()) return;
  if (inRange(current)) foldRange();
  marksOrder_ = table()->indexName();
  const auto found = std::find_if(selected_.begin(), selected_.end(),
                                  [&](const Place& s) { return sameRecord(s.bookmark, current.bookmark); });
  if (found == selected_.end())
    selected_ << current;
  else
    selected_.erase(found);
  anchor_ = current;
  viewport()->update();
}

// The anchor is set; the current row is the range's other end.
void DbGrid::extendRange() {
  const Place current = currentPlace();
  if (!current.bookmark.isValid() || !anchor_.bookmark.isValid() || !browsing()) return;
  if (range_ && !sameRecord(range_->from.bookmark, anchor_.bookmark)) foldRange();
  marksOrder_ = table()->indexName();
  range_ = Range{anchor_, current};
  viewport()->update();
}

void DbGrid::deleteCurrent() {
  store::EngineTable* t = table();
  if (!t || !t->isActive() || t->isEmpty()) return;
  if (confirmDelete_ && !platform::dialogs().confirm(QStringLiteral("Delete record?"))) return;
  t->deleteRecord();
}

void DbGrid::keyPressEvent(QKeyEvent* event) {
  const QChar typed = typedCharacter(event);
  if (!typed.isNull()) emit keyTyped(typed);
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const int step = event->key() == Qt::Key_Up ? -1 : 1;
      if (shift) {
        // A range goes on from where it reached; elsewhere one starts here.
        const Place current = currentPlace();
        if (!(range_ && sameRecord(range_->to.bookmark, current.bookmark)) &&
            !sameRecord(anchor_.bookmark, current.bookmark))
          anchor_ = current;
      }
      moveBy(step);
      if (shift) extendRange();
      break;
    }
    case Qt::Key_Space:
      if (!ctrl) {
        event->ignore();
        return;
      }
      toggleCurrent();
      break;
    case Qt::Key_PageUp: moveBy(-visibleRowCount()); break;
    case Qt::Key_PageDown: moveBy(visibleRowCount()); break;
    case Qt::Key_Home:
    case Qt::Key_End:
      if (ctrl && table() && table()->isActive()) {
        if (event->key() == Qt::Key_Home)
          table()->first();
        else
          table()->last();
      } else {
        horizontalScrollBar()->setValue(event->key() == Qt::Key_Home ? 0 : horizontalScrollBar()->maximum());
      }
      break;
    case Qt::Key_Left: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Delete:
      if (ctrl) deleteCurrent();
      break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: event->ignore(); return;
    default: event->ignore(); return;
  }
  event->accept();
}

int DbGrid::rowAt(const QPoint& pos) const {
  if (pos.y() < titleHeight()) return -1;
  const int row = (pos.y() - titleHeight()) / rowHeight();
  return row < rows_.size() ? row : -1;
}

bool DbGrid::onColumnEdge(const QPoint& pos) const {
  const int edge = indicatorWidth() + columnWidth_ - horizontalScrollBar()->value();
  return pos.y() < titleHeight() && qAbs(pos.x() - edge) <= kColumnGrip;
}

void DbGrid::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  if (onColumnEdge(pos)) {
    resizeStartX_ = pos.x();
    resizeStartWidth_ = columnWidth_;
    return;
  }
  const int row = rowAt(pos);
  if (row < 0) return;
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (modifiers & Qt::ShiftModifier && !anchor_.bookmark.isValid()) anchor_ = currentPlace();
  moveBy(row - currentRow_);
  if (row != currentRow_) return;  // the move was refused (a post stopped)
  if (modifiers & Qt::ShiftModifier)
    extendRange();
  else if (modifiers & Qt::ControlModifier)
    toggleCurrent();
  else
    markOnly();
}

void DbGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (resizeStartX_ >= 0) {
    setColumnWidth(resizeStartWidth_ + pos.x() - resizeStartX_);
    return;
  }
  viewport()->setCursor(onColumnEdge(pos) ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void DbGrid::mouseReleaseEvent(QMouseEvent*) { resizeStartX_ = -1; }

void DbGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rowAt(event->position().toPoint()) >= 0) emit doubleClicked();
}

void DbGrid::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  moveBy(-notches);
  event->accept();
}

// --- painting

QRect DbGrid::cellRect(int row) const {
  return QRect(indicatorWidth() - horizontalScrollBar()->value() + 1, titleHeight() + row * rowHeight(), columnWidth_,
               rowHeight());
}

void DbGrid::paintIndicator(QPainter& p, const QRect& box, int row) const {
  if (row != currentRow_ || !table()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(palette().color(QPalette::ButtonText));
  const QPointF c = QRectF(box).center();
  switch (table()->state()) {
    case DatasetState::Insert:
      p.setPen(QPen(palette().color(QPalette::ButtonText), 1.2));
      for (int angle : {0, 60, 120}) {
        p.save();
        p.translate(c);
        p.rotate(angle);
        p.drawLine(QPointF(0, -3.5), QPointF(0, 3.5));
        p.restore();
      }
      break;
    case DatasetState::Edit:
      p.setPen(QPen(palette().color(QPalette::ButtonText), 1.0));
      p.drawLine(QPointF(c.x(), c.y() - 5), QPointF(c.x(), c.y() + 5));
      p.drawLine(QPointF(c.x() - 2, c.y() - 5), QPointF(c.x() + 2, c.y() - 5));
      p.drawLine(QPointF(c.x() - 2, c.y() + 5), QPointF(c.x() + 2, c.y() + 5));
      break;
    default:
      p.drawPolygon(
          QPolygonF{QPointF(c.x() - 2, c.y() - 4), QPointF(c.x() + 2.5, c.y()), QPointF(c.x() - 2, c.y() + 4)});
      break;
  }
  p.restore();
}

void DbGrid::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const QPalette& pal = palette();
  const int width = viewport()->width();
  const int height = viewport()->height();
  const int title = titleHeight();
  const int indicator = indicatorWidth();
  const int rowH = rowHeight();
  const QColor line = pal.color(QPalette::Mid);
  const QColor fixed = pal.color(QPalette::Button);
  p.fillRect(viewport()->rect(), pal.color(QPalette::Base));

  // Data cells, clipped so that a scrolled column slides under the indicator.
  p.save();
  p.setClipRect(QRect(indicator + 1, title, width, height - title));
  p.setFont(font());
  for (int i = 0; i < rows_.size(); ++i) {
    const QRect cell = cellRect(i);
    const bool current = i == currentRow_;
    const bool marked = !rows_[i].inserting && isMarked(rows_[i].place);
    QColor text = pal.color(QPalette::Text);
    if (marked || (current && hasFocus() && !editing())) {
      p.fillRect(cell, pal.color(QPalette::Active, QPalette::Highlight));
      text = pal.color(QPalette::Active, QPalette::HighlightedText);
    }
    p.setPen(text);
    p.drawText(cell.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, rows_[i].text);
    if (current && !marked && !hasFocus()) {
      p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
      p.drawRect(cell.adjusted(0, 0, -1, -1));
    }
  }
  // Column and row lines.
  p.setPen(line);
  const int right = cellRect(0).right();
  p.drawLine(right, title, right, title + static_cast<int>(rows_.size()) * rowH - 1);
  for (int i = 0; i < rows_.size(); ++i) {
    const int y = title + (i + 1) * rowH - 1;
    p.drawLine(indicator, y, right, y);
  }
  p.restore();

  // Title row.
  p.save();
  p.setClipRect(QRect(indicator + 1, 0, width, title));
  p.fillRect(QRect(0, 0, width, title), fixed);
  p.setFont(titleFont_);
  p.setPen(pal.color(QPalette::ButtonText));
  const QRect titleCell(cellRect(0).left(), 0, columnWidth_, title);
  p.drawText(titleCell.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, title_);
  p.setPen(pal.color(QPalette::Light));
  p.drawLine(titleCell.left(), 0, titleCell.right(), 0);
  p.drawLine(titleCell.left(), 0, titleCell.left(), title - 1);
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(titleCell.right(), 0, titleCell.right(), title - 1);
  p.restore();
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(0, title - 1, width, title - 1);

  // Indicator column.
  p.fillRect(QRect(0, 0, indicator + 1, height), fixed);
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(indicator, 0, indicator, height);
  for (int i = 0; i < rows_.size(); ++i) {
    const QRect box(0, title + i * rowH, indicator, rowH - 1);
    p.setPen(line);
    p.drawLine(0, box.bottom(), indicator, box.bottom());
    paintIndicator(p, box, i);
  }
}

}  // namespace widgets
