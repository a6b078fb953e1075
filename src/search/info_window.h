#pragma once

// The information window TInfo: the current entry's memo in a larger
// rich-text view with find and font, the entry's and the table's last change,
// the entry count and, while a search is in force, how many entries meet it.
// The opener creates it for one modal showing; the labels are filled when it
// is shown and do not follow later changes.

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <optional>

#include "search/find_dialog.h"
#include "widgets/db_rich_memo.h"

namespace store {
class TDM;
}

namespace search {

class TInfo : public QDialog {
  Q_OBJECT

 public:
  explicit TInfo(store::TDM& dm, QWidget* parent = nullptr);

  // The memo as the main window shows an unwrapped one: no word wrap, both
  // scroll bars, yellow.
  void mirrorUnwrappedMemo();

  // --- controls, named as in the form
  QLabel* NameLabel;
  widgets::DbRichMemo* Memo1;
  QLabel* Label1;
  QLabel* DateLabel;
  QLabel* Panel1;
  QLabel* Lupdate;
  QLabel* LupdateLabel;
  QLabel* Label3;
  QLabel* AllCountLabel;
  QLabel* IfFilterLabel;
  QLabel* FilterLabel;
  QPushButton* ButtonFind;
  QPushButton* ButtonFont;
  QPushButton* BitBtn1;
  QPushButton* CloseButton;
  FindDialog* FindDialog1;
  // The font dialog: the chosen font, or nothing when it was cancelled.
  // The desktop's dialog unless a test puts its own here.
  std::function<std::optional<QFont>(const QFont& current, QWidget* parent)> FontDialog1;

  // --- handlers. The labels are filled (FormShow) when the window is shown,
  // where an engine error goes to the default error box.
  void FormShow();
  void ButtonFindClick();
  void FindDialog1Find();
  void FindDialog1Close();
  void ButtonFontClick();
  void BitBtn1Click();
  void CloseButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createControls();

  store::TDM& dm_;
};

}  // namespace search
