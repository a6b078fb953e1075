#pragma once

// TRecRange: the small modal dialog of the Report Writer command that asks
// which entries go into the report and how it is laid out.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

class QGroupBox;

namespace report {

enum class RecordChoice { Current = 0, Range = 1, Selected = 2, All = 3 };

class TRecRange : public QDialog {
  Q_OBJECT

 public:
  explicit TRecRange(QWidget* parent = nullptr);

  // --- the options, valid after OK
  RecordChoice recordChoice() const { return choice_; }
  bool memoOption() const { return memo_; }
  bool textOutputOption() const { return textOutput_; }

  // --- controls, named as in the form
  QGroupBox* RangeGroup;
  std::array<QRadioButton*, 4> RangeItems;
  QCheckBox* CheckBox1;
  QCheckBox* CheckText;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QLabel* Label1;
  QPlainTextEdit* Memo1;
  QLabel* Label2;
  QLabel* HomeLabel;
  QLabel* Label3;

  // --- handlers
  void FormShow();
  void CheckBox1Click();
  void CheckTextClick();
  void BitBtn1Click();
  void HomeLabelClick();

  // The explanation of the four choices, as the dialog shows it.
  static QString explanation();
  // The page of the help web site about reports.
  static QString helpAddress();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  RecordChoice choice_ = RecordChoice::All;
  bool memo_ = true;
  bool textOutput_ = false;
};

}  // namespace report
