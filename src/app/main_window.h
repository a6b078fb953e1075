#pragma once

// The main window TRuViv: a small fixed window with the toolbar of picture
// buttons, the grid of names, the memo of the current entry, the record
// navigator, the word-wrap switch and the store links. It shows the address
// table of the data module through dsAddress; its own handlers are start-up,
// order switching, word wrap, typing to jump, help and the store links.

#include <QCheckBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include "shop/shop_radio_group.h"
#include "widgets/db_grid.h"
#include "widgets/db_memo.h"
#include "widgets/db_navigator.h"

namespace store {
class TDM;
}
namespace search {
class SearchCommands;
}
namespace contact {
class TBtnBottomDlg;
}

namespace app {

class ContactsImport;

class TRuViv : public QWidget {
  Q_OBJECT

 public:
  // `parameters` is the command line without the program name; the data
  // folder is looked for below `workingDirectory`. A parameter naming a
  // .vcf or .csv file opens the working folder and imports that file.
  TRuViv(store::TDM& dm, const QStringList& parameters, const QString& workingDirectory, QWidget* parent = nullptr);

  // Whether start-up still has to run (set at creation, cleared when it
  // has finished).
  bool firstShow() const { return firstShow_; }

  // The chooser dialog, created once after the window and kept until exit;
  // the contact actions and the search prompt open it. Attaching it wires
  // and enables the contact actions' buttons.
  void attachChooser(contact::TBtnBottomDlg& chooser);
  contact::TBtnBottomDlg* chooser() const { return chooser_; }

  // --- controls, named as in the form
  QFrame* Panel1;
  QToolButton* SpeedPhone;
  QToolButton* email;
  QToolButton* URL;
  QToolButton* FindSpeed;
  QToolButton* NoFilterSpeed;
  QToolButton* ClipSpeed;
  QToolButton* InfoSpeed;
  QToolButton* ButtonNatural;
  QToolButton* ButtonAlpha;
  QToolButton* buttonRW;
  QToolButton* ToolsSpeed;
  QToolButton* HelpSpeed;
  widgets::DbGrid* ZurGrid;
  widgets::DbMemo* DBMemo1;
  widgets::DbNavigator* DBNavigator1;
  QCheckBox* WrapButton;
  shop::ShopRadioGroup* Shop;
  QPlainTextEdit* Memo1;  // hidden scratch text buffer

  // --- handlers
  void FormCreate();
  void FormShow();
  void ZurGridKeyPress(QChar key);
  void DBMemo1Exit(Qt::FocusReason reason);
  void WrapButtonClick();
  void HelpSpeedClick();
  void ButtonNaturalClick();
  void ButtonAlphaClick();
  void ShopClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createToolbar();
  void bindKeys();
  void showOrderInForce();
  void createDataControls();
  void giveGridFocus();

  store::TDM& dm_;
  QStringList parameters_;
  QString workingDirectory_;
  bool firstShow_ = false;
  contact::TBtnBottomDlg* chooser_ = nullptr;
  search::SearchCommands* searching_ = nullptr;
  ContactsImport* contactsImport_ = nullptr;
};

}  // namespace app
