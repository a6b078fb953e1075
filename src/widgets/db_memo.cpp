#include "widgets/db_memo.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "widgets/input_events.h"

namespace widgets {

using store::DatasetState;

QString memoTextForDisplay(const QString& stored) {
  QString shown = stored;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

QString memoTextForStorage(const QString& shown) {
  QString stored = shown;
  stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return stored;
}

DbMemo::DbMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setWordWrap(true);
  setTabChangesFocus(true);  // Tab moves on to the next control, as in the other fields
  connect(this, &QPlainTextEdit::textChanged, this, &DbMemo::storeText);
  followState();
}

void DbMemo::setDataSource(store::DataSource* source) {
  if (source_ == source) return;
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  if (source_) {
    connect(source_, &store::DataSource::dataSetChanged, this, &DbMemo::load);
    connect(source_, &store::DataSource::dataSetScrolled, this, &DbMemo::load);
    connect(source_, &store::DataSource::activeChanged, this, &DbMemo::load);
    connect(source_, &store::DataSource::dataSetReplaced, this, &DbMemo::load);
    connect(source_, &store::DataSource::stateChanged, this, [this] {
      followState();
      load();
    });
    connect(source_, &store::DataSource::recordChanged, this, [this](const QString& field) {
      if (field.isEmpty() || field.compare(field_, Qt::CaseInsensitive) == 0) load();
    });
  }
  followState();
  load();
}

void DbMemo::setField(const QString& field) {
  field_ = field;
  load();
}

void DbMemo::setWordWrap(bool on) {
  setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
}

bool DbMemo::editing() const {
  const store::EngineTable* table = source_ ? source_->dataSet() : nullptr;
  return table && (table->state() == DatasetState::Edit || table->state() == DatasetState::Insert);
}

void DbMemo::followState() {
  setReadOnly(!editing());
  // Read-only still lets the user move through and select the text.
  setTextInteractionFlags(editing() ? Qt::TextEditorInteraction
                                    : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

// Shows the field of the current record (or of the record buffer while
// editing), unless the text there is what the memo already shows.
void DbMemo::load() {
  const store::EngineTable* table = source_ ? source_->dataSet() : nullptr;
  QString text;
  if (table && table->isActive() && !(table->isEmpty() && table->state() == DatasetState::Browse))
    text = memoTextForDisplay(table->text(field_));
  if (text == toPlainText()) return;
  loading_ = true;
  setPlainText(text);
  loading_ = false;
}

void DbMemo::storeText() {
  if (loading_ || !editing()) return;
  source_->dataSet()->setText(field_, memoTextForStorage(toPlainText()));
}

void DbMemo::keyPressEvent(QKeyEvent* event) {
  if (const QChar typed = typedCharacter(event); !typed.isNull()) emit keyTyped(typed);
  QPlainTextEdit::keyPressEvent(event);
}

void DbMemo::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (focusMovedWithinWindow(event)) emit exited();
}

void DbMemo::mouseDoubleClickEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

}  // namespace widgets
