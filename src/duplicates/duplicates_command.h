#pragma once

// The main window's "Find duplicates…" command (Ctrl+Shift+D): the table is
// scanned on a worker thread under a progress dialog, then the duplicates
// dialog opens over the window with the groups found, less the pairs
// ADDRESS.notdup says are two people. Merges and their undo go through an
// address book of the command's own on the window's table, held while the
// dialog is open; each is one all-or-nothing change of the table, after
// which the window shows the entry kept and counts the entries anew.

#include <QObject>
#include <QPointer>
#include <memory>

#include "book/address_book.h"
#include "duplicates/duplicates_dialog.h"

class QAction;
class QWidget;

namespace store {
class TDM;
}

namespace duplicates {

class DuplicatesCommand : public QObject {
  Q_OBJECT

 public:
  // The action belongs to `window`, which adds it where it shows commands.
  DuplicatesCommand(store::TDM& dm, QWidget* window);

  QAction* action() const { return action_; }
  // The dialog while it is open.
  DuplicatesDialog* dialog() const { return dialog_; }

  void FindDuplicatesClick();

 private:
  void showEntry(std::uint32_t recno, int entriesAdded);

  store::TDM& dm_;
  QWidget* window_;
  QAction* action_;
  QPointer<DuplicatesDialog> dialog_;
  std::unique_ptr<book::AddressBook> book_;
};

}  // namespace duplicates
