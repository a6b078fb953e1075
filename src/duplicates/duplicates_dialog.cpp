#include "duplicates/duplicates_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "store/ansi_text.h"
#include "store/error_box.h"

namespace duplicates {

namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

DuplicatesDialog::DuplicatesDialog(std::vector<book::DuplicateGroup> groups, const codepage::CodePage& codePage,
                                   Hooks hooks, QWidget* parent)
    : QDialog(parent), review_(std::move(groups)), codePage_(codePage), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("DuplicatesDialog"));
  setWindowTitle(QStringLiteral("Find duplicates"));
  resize(620, 520);

  GroupList = named(new QListWidget(this), "GroupList");
  Reasons = named(new QListWidget(this), "Reasons");
  Reasons->setMaximumHeight(72);
  Reasons->setFocusPolicy(Qt::NoFocus);

  auto* keeping = new QButtonGroup(this);
  auto* sides = new QHBoxLayout;
  const auto side = [&](QComboBox*& choice, QRadioButton*& keep, QPlainTextEdit*& memo, const char* choiceName,
                        const char* keepName, const char* memoName) {
    choice = named(new QComboBox(this), choiceName);
    keep = named(new QRadioButton(QStringLiteral("Keep this name"), this), keepName);
    memo = named(new QPlainTextEdit(this), memoName);
    memo->setReadOnly(true);
    keeping->addButton(keep);
    auto* column = new QVBoxLayout;
    column->addWidget(choice);
    column->addWidget(keep);
    column->addWidget(memo);
    sides->addLayout(column);
    connect(choice, &QComboBox::activated, this, [this] { showPair(); });
  };
  side(FirstChoice, KeepFirst, FirstMemo, "FirstChoice", "KeepFirst", "FirstMemo");
  side(SecondChoice, KeepSecond, SecondMemo, "SecondChoice", "KeepSecond", "SecondMemo");
  KeepFirst->setChecked(true);

  MergeButton = named(new QPushButton(QStringLiteral("&Merge"), this), "MergeButton");
  MergeButton->setToolTip(QStringLiteral("Join the two entries into the one whose name is kept"));
  SkipButton = named(new QPushButton(QStringLiteral("&Skip"), this), "SkipButton");
  SkipButton->setToolTip(QStringLiteral("Leave this group for now"));
  NotDuplicateButton = named(new QPushButton(QStringLiteral("&Not a duplicate"), this), "NotDuplicateButton");
  NotDuplicateButton->setToolTip(QStringLiteral("These two are different people: never offer them again"));
  UndoButton = named(new QPushButton(QStringLiteral("&Undo merge"), this), "UndoButton");
  UndoButton->setToolTip(QStringLiteral("Put the entries of the last merge back as they were"));
  auto* close = named(new QPushButton(QStringLiteral("Close"), this), "CloseButton");
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {MergeButton, SkipButton, NotDuplicateButton, UndoButton}) buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Entries that are probably the same person:"), this));
  layout->addWidget(GroupList, 1);
  layout->addWidget(Reasons);
  layout->addLayout(sides, 2);
  layout->addLayout(buttons);

  connect(GroupList, &QListWidget::currentRowChanged, this, [this] { showGroup(); });
  connect(MergeButton, &QPushButton::clicked, this, &DuplicatesDialog::MergeClick);
  connect(SkipButton, &QPushButton::clicked, this, &DuplicatesDialog::SkipClick);
  connect(NotDuplicateButton, &QPushButton::clicked, this, &DuplicatesDialog::NotDuplicateClick);
  connect(UndoButton, &QPushButton::clicked, this, &DuplicatesDialog::UndoClick);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  fillGroups(0);
}

QString DuplicatesDialog::nameOf(std::uint32_t recno) { return store::fromAnsi(hooks_.entry(recno).name, codePage_); }

void DuplicatesDialog::fillGroups(int select) {
  const QSignalBlocker quiet(GroupList);
  GroupList->clear();
  for (const book::DuplicateGroup& group : review_.groups()) {
    QStringList names;
    for (const std::uint32_t recno : group.recnos) names.append(nameOf(recno));
    GroupList->addItem(names.join(QStringLiteral("  /  ")));
  }
  GroupList->setCurrentRow(std::min(select, GroupList->count() - 1));
  UndoButton->setEnabled(review_.canUndo());
  showGroup();
}

const book::DuplicateGroup* DuplicatesDialog::currentGroup() const {
  const int row = GroupList->currentRow();
  if (row < 0 || static_cast<std::size_t>(row) >= review_.groups().size()) return nullptr;
  return &review_.groups()[static_cast<std::size_t>(row)];
}

// The reasons in words and the group's first linked pair side by side.
void DuplicatesDialog::showGroup() {
  Reasons->clear();
  FirstChoice->clear();
  SecondChoice->clear();
  if (const book::DuplicateGroup* group = currentGroup()) {
    for (const book::DuplicateReason& reason : group->reasons)
      Reasons->addItem(nameOf(reason.first) + QStringLiteral(" and ") + nameOf(reason.second) + QStringLiteral(": ") +
                       QString::fromLatin1(book::describe(reason.kind)) + QStringLiteral(" (") +
                       store::fromAnsi(reason.key, codePage_) + QLatin1Char(')'));
    for (const std::uint32_t recno : group->recnos) {
      const QString label = nameOf(recno) + QStringLiteral("  (record %1)").arg(recno);
      FirstChoice->addItem(label, recno);
      SecondChoice->addItem(label, recno);
    }
    KeepFirst->setChecked(true);
    const auto [first, second] = DuplicateReview::firstPair(*group);
    FirstChoice->setCurrentIndex(FirstChoice->findData(first));
    SecondChoice->setCurrentIndex(SecondChoice->findData(second));
  }
  showPair();
}

std::uint32_t DuplicatesDialog::chosen(const QComboBox* choice) const {
  return choice->currentIndex() < 0 ? 0 : choice->currentData().toUInt();
}

void DuplicatesDialog::showPair() {
  const std::uint32_t first = chosen(FirstChoice), second = chosen(SecondChoice);
  const auto memoOf = [this](std::uint32_t recno) {
    if (recno == 0) return QString();
    return store::fromAnsi(hooks_.entry(recno).memo, codePage_).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  };
  FirstMemo->setPlainText(memoOf(first));
  SecondMemo->setPlainText(memoOf(second));
  const bool pair = first != 0 && second != 0 && first != second;
  for (QWidget* control : {static_cast<QWidget*>(MergeButton), static_cast<QWidget*>(NotDuplicateButton)})
    control->setEnabled(pair);
  SkipButton->setEnabled(currentGroup() != nullptr);
}

bool DuplicatesDialog::attempt(const std::function<void()>& change) {
  try {
    change();
    return true;
  } catch (...) {
    store::showErrorBox(std::current_exception());
    return false;
  }
}

void DuplicatesDialog::MergeClick() {
  const std::uint32_t first = chosen(FirstChoice), second = chosen(SecondChoice);
  if (first == 0 || second == 0 || first == second) return;
  const std::uint32_t keep = KeepFirst->isChecked() ? first : second;
  const std::uint32_t other = keep == first ? second : first;
  if (!attempt([&] { merges_.push_back(hooks_.merge(keep, other)); })) return;
  review_.merged(keep, other);
  fillGroups(GroupList->currentRow());
}

void DuplicatesDialog::UndoClick() {
  if (merges_.empty()) return;
  if (!attempt([&] { hooks_.undo(merges_.back()); })) return;
  merges_.pop_back();
  review_.unmerged();
  fillGroups(GroupList->currentRow());
}

void DuplicatesDialog::SkipClick() {
  review_.skipped(static_cast<std::size_t>(GroupList->currentRow()));
  fillGroups(GroupList->currentRow());
}

void DuplicatesDialog::NotDuplicateClick() {
  const std::uint32_t first = chosen(FirstChoice), second = chosen(SecondChoice);
  if (first == 0 || second == 0 || first == second) return;
  if (!attempt([&] { hooks_.dismiss(hooks_.entry(first), hooks_.entry(second)); })) return;
  review_.dismissed(first, second);
  fillGroups(GroupList->currentRow());
}

}  // namespace duplicates
