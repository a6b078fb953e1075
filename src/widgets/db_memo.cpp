#include "widgets/db_memo.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "widgets/input_events.h"
#include "widgets/memo_editor_state.h"
#include "widgets/text_guard.h"

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
  guard_ = new TextGuard(this, [this] { return link_.codePage(); });
  connect(this, &QPlainTextEdit::textChanged, this, &DbMemo::storeText);

  link_.setField(QStringLiteral("INFO"));
  link_.onEveryChange(
      this, [this] { followState(); }, [this] { load(); });
  followState();
}

void DbMemo::setDataSource(store::DataSource* source) {
  if (!link_.setDataSource(source)) return;
  followState();
  load();
}

void DbMemo::setField(const QString& field) {
  link_.setField(field);
  load();
}

void DbMemo::setWordWrap(bool on) { setMemoWordWrap(*this, on); }

void DbMemo::followState() { followMemoEditing(*this, link_.editing()); }

// Shows the field of the current record (or of the record buffer while
// editing), unless the text there is what the memo already shows.
void DbMemo::load() {
  QString text;
  if (link_.hasRecord()) text = memoTextForDisplay(link_.table()->text(link_.field()));
  if (text == toPlainText()) return;
  loading_ = true;
  setPlainText(text);
  loading_ = false;
}

void DbMemo::storeText() {
  if (loading_ || !link_.editing()) return;
  guard_->clean(document());  // its removal stores the text already
  link_.table()->setText(link_.field(), memoTextForStorage(toPlainText()));
}

void DbMemo::keyPressEvent(QKeyEvent* event) {
  if (const QChar typed = typedCharacter(event); !typed.isNull()) emit keyTyped(typed);
  QPlainTextEdit::keyPressEvent(event);
}

void DbMemo::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (focusMovedWithinWindow(event)) emit exited(event->reason());
}

void DbMemo::mouseDoubleClickEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

}  // namespace widgets
