#include "widgets/text_guard.h"

#include <QApplication>
#include <QLineEdit>
#include <QStatusTipEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <QValidator>
#include <optional>

namespace widgets {
namespace {

// The length in UTF-16 units of the character starting at `i`.
int unitsAt(const QString& text, qsizetype i) {
  return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
}

char32_t characterAt(const QString& text, qsizetype i) {
  return unitsAt(text, i) == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
}

class GuardValidator : public QValidator {
 public:
  GuardValidator(TextGuard* guard, QObject* parent) : QValidator(parent), guard_(guard) {}

  State validate(QString& input, int& position) const override {
    guard_->clean(input, position);
    return Acceptable;
  }

 private:
  TextGuard* guard_;
};

}  // namespace

QString refusedCharacterMessage(char32_t character, const codepage::CodePage& page) {
  const QString shown = QString::fromUcs4(&character, 1);
  const QString code = QStringLiteral("U+%1").arg(static_cast<uint>(character), 4, 16, QLatin1Char('0')).toUpper();
  const QString set = page.number() != 0
                          ? QStringLiteral("code page %1").arg(page.number())
                          : QStringLiteral("code page mark 0x%1").arg(page.mark(), 2, 16, QLatin1Char('0'));
  return QStringLiteral("The character \"%1\" (%2) cannot be stored in this table (%3).").arg(shown, code, set);
}

TextGuard::TextGuard(QWidget* editor, std::function<codepage::CodePage()> codePage)
    : QObject(editor), editor_(editor), codePage_(std::move(codePage)) {}

void TextGuard::guardLineEdit(QLineEdit* editor) { editor->setValidator(new GuardValidator(this, editor)); }

bool TextGuard::clean(QString& text, int& position) {
  const codepage::CodePage page = codePage_();
  std::optional<char32_t> first;
  QString kept;
  int keptPosition = position;
  for (qsizetype i = 0; i < text.size();) {
    const int units = unitsAt(text, i);
    const char32_t code = characterAt(text, i);
    if (page.canHold(code)) {
      kept.append(text.mid(i, units));
    } else {
      if (!first) first = code;
      if (i < position) keptPosition -= std::min<int>(units, position - static_cast<int>(i));
    }
    i += units;
  }
  if (!first) return false;
  text = kept;
  position = keptPosition;
  report(*first);
  return true;
}

bool TextGuard::clean(QTextDocument* document) {
  const codepage::CodePage page = codePage_();
  const QString text = document->toPlainText();
  std::optional<char32_t> first;
  QTextCursor cursor(document);
  bool joined = false;
  // Last to first, so the positions still ahead stay valid.
  for (qsizetype i = text.size(); i > 0;) {
    qsizetype start = i - 1;
    if (start > 0 && text.at(start).isLowSurrogate() && text.at(start - 1).isHighSurrogate()) --start;
    const char32_t code = characterAt(text, start);
    if (!page.canHold(code) && code != QChar::ParagraphSeparator && code != QChar::LineSeparator) {
      first = code;
      if (!joined) cursor.joinPreviousEditBlock();
      joined = true;
      cursor.setPosition(static_cast<int>(start));
      cursor.setPosition(static_cast<int>(i), QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
    }
    i = start;
  }
  if (joined) cursor.endEditBlock();
  if (!first) return false;
  report(*first);
  return true;
}

void TextGuard::report(char32_t character) {
  const QString message = refusedCharacterMessage(character, codePage_());
  QApplication::beep();
  QStatusTipEvent tip(message);
  QApplication::sendEvent(editor_, &tip);
  QToolTip::showText(editor_->mapToGlobal(QPoint(0, editor_->height())), message, editor_);
  emit refused(character, message);
}

}  // namespace widgets
