#pragma once

// The desktop's find dialog as this program offers it: a text to find, a
// "Find Next" button, the usual direction, whole-word and match-case
// settings (shown; the memo's find ignores them) and Cancel. Not modal.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace search {

class FindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FindDialog(QWidget* parent = nullptr);

  QString findText() const { return FindText->text(); }
  void setFindText(const QString& text) { FindText->setText(text); }

  QLineEdit* FindText;
  QPushButton* FindNextButton;
  QPushButton* CancelButton;
  QRadioButton* UpButton;
  QRadioButton* DownButton;
  QCheckBox* WholeWord;
  QCheckBox* MatchCase;

 signals:
  void find();    // "Find Next" pressed
  void closed();  // the dialog closed (Cancel, Escape or the title bar)

 protected:
  void done(int result) override;  // also reached by Escape and the title bar
};

}  // namespace search
