#pragma once

// TBtnBottomDlg: the one chooser dialog of the program. The contact actions
// open it through ShowChooser to pick or type a phone number, an e-mail or a
// web address; the search uses it as its prompt, setting it up itself. It is
// created once at start-up and keeps its controls' state between uses except
// where an opener resets them.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include "book/item_kind.h"

namespace contact {

class TBtnBottomDlg : public QDialog {
  Q_OBJECT

 public:
  // The result marker after OK with something to accept, and after Cancel or
  // an OK with nothing to accept.
  static constexpr int kAccepted = 99;
  static constexpr int kDeclined = -99;

  explicit TBtnBottomDlg(QWidget* parent = nullptr);

  // --- controls, named as in the form (in tab order)
  QLineEdit* Edit1;
  QComboBox* ComboBox1;
  QCheckBox* CheckAll;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QCheckBox* bcc;
  QPushButton* BitBtn1;
  QLabel* NotYetLabel;

  // --- the result marker: set by the opener before showing, by OK and Cancel
  // while shown, read by the opener afterwards (kDeclined means declined).
  int resultMarker() const { return resultMarker_; }
  void setResultMarker(int marker) { resultMarker_ = marker; }

  // --- the item list of ComboBox1 and its sorted flag. While the flag is on,
  // every item added goes to its place in ascending order, letter case
  // ignored; switching it on sorts the items already there.
  void clearItems() { ComboBox1->clear(); }
  void addItem(const QString& item);
  QStringList items() const;
  bool sorted() const { return sorted_; }
  void setSorted(bool on);

  // Edit mode shows Edit1 and takes it into the tab order, list mode the
  // same for ComboBox1; the other one is disabled, hidden and left out.
  void setEditMode(bool editMode);

  // Prepares the dialog for `count` items of `kind` already in the list,
  // shows it modally and returns false when the user declined. Afterwards
  // Edit1 holds the chosen or typed text.
  bool ShowChooser(int count, book::ItemKind kind);

  // Shows the dialog modally as its opener has set it up and returns the
  // result marker (the search prompt sets the marker to 0 before).
  int showModal();

  // --- handlers
  void FormShow();
  void FormClose();
  void OKBtnClick();
  void CancelBtnClick();
  void CheckAllClick();
  void BitBtn1Click();

  // The help page the Help button opens in the dialog's present set-up.
  QString helpAddress() const;

 public slots:
  // Escape and closing the window decline like Cancel.
  void reject() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createControls();

  int resultMarker_ = 0;
  bool sorted_ = false;
};

}  // namespace contact
