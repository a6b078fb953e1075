#pragma once

// The contact actions of the main window's toolbar: dial a phone number,
// write an e-mail, visit a web site, and move names between the table and the
// clipboard. Each action finds its items in the current entry, lets the user
// pick or type one in the chooser dialog and hands the result to the desktop;
// a typed item can then be stored in the entry's memo (AddItemToRecord).

#include <QObject>
#include <QPlainTextEdit>
#include <QStringList>

#include "book/item_kind.h"

namespace store {
class TDM;
}
namespace widgets {
class DbGrid;
class DbMemo;
}  // namespace widgets

namespace contact {

class TBtnBottomDlg;

class ContactActions : public QObject {
  Q_OBJECT

 public:
  // The main window's controls the actions work with.
  struct Controls {
    widgets::DbGrid* ZurGrid;
    widgets::DbMemo* DBMemo1;
    QPlainTextEdit* Memo1;  // the hidden scratch text buffer
  };

  ContactActions(store::TDM& dm, TBtnBottomDlg& chooser, Controls controls, QObject* parent = nullptr);

  // --- handlers of the toolbar buttons
  void SpeedPhoneClick();
  void emailClick();
  void URLClick();
  void ClipSpeedClick();

  // Asks whether `text` is to be stored and, on OK, appends the line
  // "<record label>: <text>" to the current entry's memo and posts it.
  void AddItemToRecord(book::ItemKind kind, const QString& text);

 private:
  // Fills the chooser's list with the items of `kind` from the NAME value
  // and `lines`; returns their count.
  int collectItems(book::ItemKind kind, const QStringList& lines);
  QString currentName() const;
  void pasteIntoName();
  void copyNames();

  store::TDM& dm_;
  TBtnBottomDlg& chooser_;
  Controls controls_;
};

// The memo's lines as it shows them: with word wrap on, every display line
// counts as a line; unsaved edits included.
QStringList displayLines(const QPlainTextEdit& memo);

}  // namespace contact
