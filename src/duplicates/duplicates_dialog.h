#pragma once

// The dialog of the "Find duplicates…" command: the groups of entries that
// are probably the same person, each with the reasons it was found, and two
// of its entries side by side with their memos. The user merges them
// (keeping the name chosen), skips the group, or says the two are not a
// duplicate; "Undo merge" takes the dialog's merges back, last first. What
// the buttons do to the groups is DuplicateReview's; what they do to the
// table and the marks file comes through the hooks.

#include <QDialog>
#include <functional>
#include <vector>

#include "book/address_book.h"
#include "codepage/code_page.h"
#include "duplicates/duplicate_review.h"

class QButtonGroup;
class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace duplicates {

class DuplicatesDialog : public QDialog {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<book::Entry(std::uint32_t recno)> entry;
    // Each throws when it could not be done, having changed nothing.
    std::function<book::MergeRecord(std::uint32_t keep, std::uint32_t other)> merge;
    std::function<void(const book::MergeRecord& record)> undo;
    std::function<void(const book::Entry& first, const book::Entry& second)> dismiss;
  };

  DuplicatesDialog(std::vector<book::DuplicateGroup> groups, const codepage::CodePage& codePage, Hooks hooks,
                   QWidget* parent = nullptr);

  QListWidget* GroupList;
  QListWidget* Reasons;
  QComboBox* FirstChoice;
  QComboBox* SecondChoice;
  QRadioButton* KeepFirst;
  QRadioButton* KeepSecond;
  QPlainTextEdit* FirstMemo;
  QPlainTextEdit* SecondMemo;
  QPushButton* MergeButton;
  QPushButton* SkipButton;
  QPushButton* NotDuplicateButton;
  QPushButton* UndoButton;

  void MergeClick();
  void SkipClick();
  void NotDuplicateClick();
  void UndoClick();

 private:
  void fillGroups(int select);
  void showGroup();
  void showPair();
  const book::DuplicateGroup* currentGroup() const;
  std::uint32_t chosen(const QComboBox* choice) const;
  QString nameOf(std::uint32_t recno);
  // Runs `change`; an error goes to the error box. True when it went through.
  bool attempt(const std::function<void()>& change);

  DuplicateReview review_;
  codepage::CodePage codePage_;
  Hooks hooks_;
  std::vector<book::MergeRecord> merges_;  // undone last first
};

}  // namespace duplicates
