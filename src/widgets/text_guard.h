#pragma once

// Keeps characters out of an editor that the table behind it cannot store.
//
// A table holds single-byte text in its code page; a character outside it
// would be written as '?', so what is posted would differ from what the user
// sees. The guard drops such characters where they are typed, pasted or
// dropped: the rest of the editor's text stays as it is, in order, and the
// caret stays after what was inserted. Each refusal beeps, shows a tool tip
// below the editor naming the character, sends the same text as a status
// tip (for a window with a status bar) and emits refused().
//
// One guard serves every text control bound to a table: a line editor gets
// a validator (guardLineEdit), an editor over a QTextDocument calls clean()
// from its textChanged handler before it uses its text.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "codepage/code_page.h"

class QLineEdit;
class QTextDocument;
class QWidget;

namespace widgets {

class TextGuard : public QObject {
  Q_OBJECT

 public:
  // `codePage` answers which code page the editor's table holds, asked at
  // every edit (the table may be replaced or reopened).
  TextGuard(QWidget* editor, std::function<codepage::CodePage()> codePage);

  // Installs a validator on `editor` (the guard's own editor) that drops
  // refused characters from every edit.
  void guardLineEdit(QLineEdit* editor);

  // Removes refused characters from `document`, joined to the edit that
  // inserted them (one undo step). True when it removed any.
  bool clean(QTextDocument* document);

  // Lets `character` stay in a document that clean() cleans: the editor puts
  // it there itself and drops it before storing (widgets::kLayoutBreak).
  void keepInDocument(char32_t character) { kept_ = character; }

  // Removes refused characters from `text`, moving `position` back by those
  // before it. True when it removed any.
  bool clean(QString& text, int& position);

 signals:
  void refused(char32_t character, const QString& message);

 private:
  void report(char32_t character);

  QWidget* editor_;
  std::function<codepage::CodePage()> codePage_;
  std::optional<char32_t> kept_;
};

// "The character "Ł" (U+0141) cannot be stored in this table (code page 1252)."
QString refusedCharacterMessage(char32_t character, const codepage::CodePage& page);

}  // namespace widgets
