#include "search/find_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace search {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FindDialog1"));
  setWindowTitle(QStringLiteral("Find"));
  setModal(false);

  auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
  FindText = new QLineEdit(this);
  FindText->setObjectName(QStringLiteral("FindText"));
  label->setBuddy(FindText);
  FindNextButton = new QPushButton(QStringLiteral("&Find Next"), this);
  FindNextButton->setObjectName(QStringLiteral("FindNextButton"));
  FindNextButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  WholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
  MatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
  auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
  UpButton = new QRadioButton(QStringLiteral("&Up"), direction);
  DownButton = new QRadioButton(QStringLiteral("&Down"), direction);
  DownButton->setChecked(true);
  auto* directionRow = new QHBoxLayout(direction);
  directionRow->addWidget(UpButton);
  directionRow->addWidget(DownButton);

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(FindText, 0, 1, 1, 2);
  grid->addWidget(FindNextButton, 0, 3);
  auto* checks = new QVBoxLayout;
  checks->addWidget(WholeWord);
  checks->addWidget(MatchCase);
  grid->addLayout(checks, 1, 0, 1, 2);
  grid->addWidget(direction, 1, 2);
  grid->addWidget(CancelButton, 1, 3, Qt::AlignTop);

  connect(FindNextButton, &QPushButton::clicked, this, &FindDialog::find);
  connect(CancelButton, &QPushButton::clicked, this, &FindDialog::reject);
}

void FindDialog::done(int result) {
  QDialog::done(result);
  emit closed();
}

}  // namespace search
