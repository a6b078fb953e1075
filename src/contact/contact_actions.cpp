#include "contact/contact_actions.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextLayout>
#include <vector>

#include "book/contact_items.h"
#include "contact/chooser_dialog.h"
#include "contact/phone_dialer.h"
#include "platform/desktop_shell.h"
#include "platform/dialogs.h"
#include "store/address_schema.h"
#include "store/data_module.h"
#include "widgets/db_grid.h"
#include "widgets/db_memo.h"
#include "widgets/text_guard.h"

namespace contact {

namespace {

const QString kNameField = QString::fromLatin1(book::kName);

// The browser program that receives a web address as its single argument.
const QString kBrowserProgram = QStringLiteral("iexplore.exe");

QString fromWords(std::string_view words) {
  return QString::fromLatin1(words.data(), static_cast<qsizetype>(words.size()));
}

std::u16string_view view(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// Switches a memo's word wrap off for its lifetime.
class WrapOff {
 public:
  explicit WrapOff(widgets::DbMemo& memo) : memo_(memo), wrapped_(memo.wordWrap()) { memo_.setWordWrap(false); }
  ~WrapOff() { memo_.setWordWrap(wrapped_); }
  WrapOff(const WrapOff&) = delete;
  WrapOff& operator=(const WrapOff&) = delete;

 private:
  widgets::DbMemo& memo_;
  bool wrapped_;
};

}  // namespace

QStringList displayLines(const QPlainTextEdit& memo) {
  QStringList lines;
  const bool wraps = memo.lineWrapMode() != QPlainTextEdit::NoWrap;
  auto* layout = qobject_cast<QPlainTextDocumentLayout*>(memo.document()->documentLayout());
  for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    if (wraps && layout != nullptr) layout->ensureBlockLayout(block);
    const QTextLayout* lineLayout = block.layout();
    if (!wraps || lineLayout == nullptr || lineLayout->lineCount() == 0) {
      lines << text;
      continue;
    }
    for (int i = 0; i < lineLayout->lineCount(); ++i) {
      const QTextLine line = lineLayout->lineAt(i);
      lines << text.mid(line.textStart(), line.textLength());
    }
  }
  return lines;
}

ContactActions::ContactActions(store::TDM& dm, TBtnBottomDlg& chooser, Controls controls, QObject* parent)
    : QObject(parent), dm_(dm), chooser_(chooser), controls_(controls) {}

QString ContactActions::currentName() const {
  const store::EngineTable& table = dm_.tblAddress;
  return table.isActive() && !table.isEmpty() ? table.text(kNameField) : QString();
}

int ContactActions::collectItems(book::ItemKind kind, const QStringList& lines) {
  const QString name = currentName();
  std::vector<std::u16string_view> views;
  views.reserve(static_cast<std::size_t>(lines.size()));
  for (const QString& line : lines) views.push_back(view(line));
  const auto items = book::collectItems(kind, view(name), views);
  for (const std::u16string& item : items)
    chooser_.addItem(QString::fromUtf16(item.data(), static_cast<qsizetype>(item.size())));
  return static_cast<int>(items.size());
}

// --- the three actions

void ContactActions::SpeedPhoneClick() {
  const QString name = currentName();
  chooser_.clearItems();
  const int count = collectItems(book::ItemKind::Phone, displayLines(*controls_.DBMemo1));
  if (!chooser_.ShowChooser(count, book::ItemKind::Phone)) return;
  // A failed request is warned about and rethrown, so no number is stored then.
  DialNumber(chooser_.Edit1->text(), name);
  if (count == 0) AddItemToRecord(book::ItemKind::Phone, chooser_.Edit1->text());
}

void ContactActions::emailClick() {
  chooser_.clearItems();
  chooser_.setSorted(false);
  chooser_.bcc->setChecked(false);
  chooser_.bcc->hide();
  chooser_.bcc->setEnabled(false);
  const int count = collectItems(book::ItemKind::Email, displayLines(*controls_.DBMemo1));
  // The list stays sorted from now on, for the phone and web lists too.
  chooser_.setSorted(true);
  if (count >= 2) chooser_.bcc->show();
  if (!chooser_.ShowChooser(count, book::ItemKind::Email)) return;
  QString target = QStringLiteral("mailto:");
  if (count >= 2 && chooser_.CheckAll->isChecked()) {
    if (chooser_.bcc->isChecked()) target += QStringLiteral("?bcc=");
    target += chooser_.items().join(QLatin1Char(','));
  } else {
    target += chooser_.Edit1->text();
  }
  platform::desktopShell().open(target, {}, QStringLiteral("open"), platform::ShowState::Normal);
  if (count == 0) AddItemToRecord(book::ItemKind::Email, chooser_.Edit1->text());
}

void ContactActions::URLClick() {
  chooser_.clearItems();
  int count = 0;
  {
    // Without word wrap the lines are the text's own, so an address is
    // never split by the display.
    const WrapOff wrapOff(*controls_.DBMemo1);
    count = collectItems(book::ItemKind::Web, displayLines(*controls_.DBMemo1));
  }
  if (!chooser_.ShowChooser(count, book::ItemKind::Web)) return;
  platform::desktopShell().open(kBrowserProgram, chooser_.Edit1->text(), {}, platform::ShowState::Normal);
  if (count == 0) AddItemToRecord(book::ItemKind::Web, chooser_.Edit1->text());
}

void ContactActions::AddItemToRecord(book::ItemKind kind, const QString& text) {
  if (!platform::dialogs().confirm(QStringLiteral("Add ") + text + QStringLiteral(" to file record?"))) return;
  widgets::DbMemo& memo = *controls_.DBMemo1;
  memo.setFocus(Qt::OtherFocusReason);
  dm_.tblAddress.edit();
  // Through the memo, so the line lands in the record buffer like typing.
  const QString shown = memo.toPlainText();
  const bool newLine = !shown.isEmpty() && !shown.endsWith(QLatin1Char('\n'));
  memo.moveCursor(QTextCursor::End);
  memo.insertPlainText((newLine ? QStringLiteral("\n") : QString()) + fromWords(book::wordsFor(kind).recordLabel) +
                       QStringLiteral(": ") + text);
  dm_.tblAddress.post();
  controls_.ZurGrid->setFocus(Qt::OtherFocusReason);
}

// --- the clipboard

void ContactActions::ClipSpeedClick() {
  const store::DatasetState state = dm_.tblAddress.state();
  if (state == store::DatasetState::Edit || state == store::DatasetState::Insert)
    pasteIntoName();
  else
    copyNames();
}

void ContactActions::pasteIntoName() {
  QPlainTextEdit& scratch = *controls_.Memo1;
  scratch.clear();
  // The clipboard's plain text only; nothing when it holds no text. The
  // name cell's own guard refuses what the table cannot store, as a paste
  // into the cell does, so nothing turns into "?" unseen.
  QString pasted = QGuiApplication::clipboard()->text();
  if (auto* guard = controls_.ZurGrid->findChild<widgets::TextGuard*>()) {
    int end = static_cast<int>(pasted.size());
    guard->clean(pasted, end);
  }
  scratch.insertPlainText(pasted);
  store::EngineTable& table = dm_.tblAddress;
  table.setText(kNameField, QString());
  // Line breaks stay part of the name, written as the memo writes them.
  table.setText(kNameField, widgets::memoTextForStorage(scratch.toPlainText()).left(book::kNameWidth));
}

void ContactActions::copyNames() {
  QPlainTextEdit& scratch = *controls_.Memo1;
  store::EngineTable& table = dm_.tblAddress;
  const QList<store::Bookmark> selected = controls_.ZurGrid->selectedRows();
  if (selected.size() < 2) {
    scratch.setPlainText(currentName());
  } else {
    {
      const store::ControlsDisabled held(table);
      scratch.clear();
      store::Bookmark here = table.bookmark();
      QString names;
      for (const store::Bookmark& row : selected) {
        table.gotoBookmark(row);
        names += table.text(kNameField) + QLatin1Char('\n');
      }
      table.gotoBookmark(here);
      table.freeBookmark(here);
      scratch.setPlainText(names);
    }
    controls_.ZurGrid->viewport()->update();
  }
  scratch.selectAll();
  QGuiApplication::clipboard()->setText(widgets::memoTextForStorage(scratch.toPlainText()));
}

}  // namespace contact
