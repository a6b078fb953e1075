#include "report/rec_range.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>

#include "platform/desktop_shell.h"
#include "platform/help_pages.h"
#include "widgets/stand_in_font.h"

namespace report {

namespace {

QFont sansSerif(int pixels, bool bold = false, const char* family = "MS Sans Serif") {
  return widgets::standInFont(family, pixels, bold);
}

constexpr const char* kExplanation[] = {
    "Current: Report only the one record now highlighted in the grid. ",
    "",
    "Range: In the Grid, set range by clicking on a record at one ",
    "end of the range (even if already highlighted), then go to the ",
    "other end of desired range by using the scroll or navigation bar ",
    "as needed (DON'T use the keyboard) and HOLD DOWN THE ",
    "CTRL KEY while clicking on that record. Don't worry that the ",
    "intervening records aren't highlighted, it'll work anyway! ",
    "",
    "Selected: Reports records selected in the Grid. In the grid, ",
    "select the first record by clicking (even if already highlighted), ",
    "then additional records by using the scroll or navigation bar to ",
    "locate (DON'T use the keyboard) and HOLD DOWN THE ",
    "CTRL KEY while clicking. ",
    "",
    "All: Reports records matching search string IF filter is active (you ",
    "have done a search and haven't cancelled it), otherwise all ",
    "non-deleted records in the database will be reported. ",
    "",
    "* Cancel and return to grid if necessary to select records * ",
};

}  // namespace

QString TRecRange::explanation() {
  QStringList lines;
  for (const char* line : kExplanation) lines << QString::fromLatin1(line);
  return lines.join(QLatin1Char('\n'));
}

QString TRecRange::helpAddress() { return platform::helpPageAddress(QStringLiteral("reviews.html")); }

TRecRange::TRecRange(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("RecRange"));
  setWindowTitle(QStringLiteral("Choose records to include in Review/Printout"));
  setFixedSize(319, 473);
  setFont(sansSerif(10));

  RangeGroup = new QGroupBox(QStringLiteral(" Records to include in review/printout:"), this);
  RangeGroup->setObjectName(QStringLiteral("RangeGroup"));
  RangeGroup->setGeometry(13, 5, 300, 42);
  RangeGroup->setFont(sansSerif(15));
  RangeGroup->setToolTip(QStringLiteral("See explanation below"));
  auto* buttons = new QButtonGroup(this);
  const char* items[] = {"Current", "Range", "Selected", "All"};
  for (int i = 0; i < 4; ++i) {
    auto* item = new QRadioButton(QString::fromLatin1(items[i]), RangeGroup);
    item->setGeometry(6 + i * 73, 18, 72, 20);
    buttons->addButton(item, i);
    RangeItems[static_cast<std::size_t>(i)] = item;
  }
  RangeItems[3]->setChecked(true);

  CheckBox1 = new QCheckBox(QStringLiteral("include Memo field"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setGeometry(20, 52, 130, 14);
  CheckBox1->setFont(sansSerif(15));
  CheckBox1->setToolTip(QStringLiteral("Include Memo (Note) in report/printout"));
  CheckBox1->setChecked(true);

  CheckText = new QCheckBox(QStringLiteral("Format for Text Output"), this);
  CheckText->setObjectName(QStringLiteral("CheckText"));
  CheckText->setGeometry(159, 52, 151, 14);
  CheckText->setFont(sansSerif(15));
  CheckText->setToolTip(QStringLiteral("No left margin or page header"));

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(91, 80, 66, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(169, 80, 66, 25);

  Label1 = new QLabel(QStringLiteral("Explanation of record selection categories:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(7, 122);
  Label1->setFont(sansSerif(11, true));
  Label1->setStyleSheet(QStringLiteral("color: navy"));
  Label1->adjustSize();

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(5, 142, 306, 302);
  Memo1->setReadOnly(true);
  Memo1->setFocusPolicy(Qt::NoFocus);
  Memo1->setFont(sansSerif(11));
  QPalette palette = Memo1->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  palette.setColor(QPalette::Text, Qt::black);
  Memo1->setPalette(palette);
  Memo1->setPlainText(explanation());

  Label2 = new QLabel(QStringLiteral("Confused?  Visit our "), this);
  Label2->move(17, 452);
  HomeLabel = new QLabel(QStringLiteral("On-line Help"), this);
  HomeLabel->setObjectName(QStringLiteral("HomeLabel"));
  HomeLabel->move(116, 450);
  QFont link = sansSerif(15, true, "Arial");
  link.setUnderline(true);
  HomeLabel->setFont(link);
  HomeLabel->setStyleSheet(QStringLiteral("color: blue"));
  HomeLabel->setCursor(Qt::PointingHandCursor);
  HomeLabel->installEventFilter(this);
  Label3 = new QLabel(QStringLiteral("for more detail"), this);
  Label3->move(215, 452);
  for (QLabel* label : {Label2, HomeLabel, Label3}) label->adjustSize();

  connect(CheckBox1, &QCheckBox::clicked, this, &TRecRange::CheckBox1Click);
  connect(CheckText, &QCheckBox::clicked, this, &TRecRange::CheckTextClick);
  connect(BitBtn1, &QPushButton::clicked, this, &TRecRange::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TRecRange::eventFilter(QObject* watched, QEvent* event) {
  if (watched == HomeLabel && event->type() == QEvent::MouseButtonRelease) {
    HomeLabelClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TRecRange::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  FormShow();
}

void TRecRange::FormShow() { memo_ = true; }
void TRecRange::CheckBox1Click() { memo_ = CheckBox1->isChecked(); }
void TRecRange::CheckTextClick() { textOutput_ = CheckText->isChecked(); }

void TRecRange::BitBtn1Click() {
  for (std::size_t i = 0; i < RangeItems.size(); ++i)
    if (RangeItems[i]->isChecked()) choice_ = static_cast<RecordChoice>(i);
  accept();
}

void TRecRange::HomeLabelClick() {
  platform::desktopShell().open(helpAddress(), {}, {}, platform::ShowState::Maximized);
}

}  // namespace report
