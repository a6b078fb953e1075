#include "contact/chooser_dialog.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "platform/desktop_shell.h"
#include "platform/help_pages.h"
#include "widgets/stand_in_font.h"

namespace contact {

namespace {

constexpr int kClientWidth = 419;
constexpr int kClientHeight = 261;
constexpr int kListRows = 9;

QFont dialogFont(bool bold) { return widgets::standInFont("MS Sans Serif", 13, bold); }

QString text(std::string_view words) { return QString::fromLatin1(words.data(), static_cast<qsizetype>(words.size())); }

bool before(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; }

}  // namespace

TBtnBottomDlg::TBtnBottomDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("BtnBottomDlg"));
  setWindowTitle(QStringLiteral("Select and then click OK or cancel"));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(dialogFont(false));
  createControls();
}

void TBtnBottomDlg::createControls() {
  NotYetLabel = new QLabel(this);
  NotYetLabel->setObjectName(QStringLiteral("NotYetLabel"));
  NotYetLabel->setGeometry(8, 12, 403, 20);
  NotYetLabel->setFont(dialogFont(true));
  QPalette red = NotYetLabel->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  NotYetLabel->setPalette(red);
  NotYetLabel->hide();

  // The edit field and the list share one place; only one is ever shown.
  const QRect itemRow(8, 40, 403, 26);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(itemRow);

  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setGeometry(itemRow);
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setMaxVisibleItems(kListRows);
  ComboBox1->hide();
  ComboBox1->setEnabled(false);

  CheckAll = new QCheckBox(QStringLiteral("send to all"), this);
  CheckAll->setObjectName(QStringLiteral("CheckAll"));
  CheckAll->setGeometry(8, 188, 200, 22);
  CheckAll->setToolTip(QStringLiteral("Use multiple addresses"));
  CheckAll->hide();

  bcc = new QCheckBox(QStringLiteral("Send as :bcc"), this);
  bcc->setObjectName(QStringLiteral("bcc"));
  bcc->setGeometry(216, 188, 195, 22);
  bcc->setFont(dialogFont(true));
  bcc->setToolTip(QStringLiteral("Disclose recipients to each other?"));
  bcc->setEnabled(false);
  bcc->hide();

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setGeometry(8, 224, 80, 28);
  OKBtn->setDefault(true);

  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setGeometry(96, 224, 80, 28);
  CancelBtn->setAutoDefault(false);

  BitBtn1 = new QPushButton(QStringLiteral("&Help"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(331, 224, 80, 28);
  BitBtn1->setAutoDefault(false);

  setTabOrder(Edit1, ComboBox1);
  setTabOrder(ComboBox1, CheckAll);
  setTabOrder(CheckAll, OKBtn);
  setTabOrder(OKBtn, CancelBtn);
  setTabOrder(CancelBtn, bcc);
  setTabOrder(bcc, BitBtn1);

  connect(OKBtn, &QPushButton::clicked, this, &TBtnBottomDlg::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &TBtnBottomDlg::CancelBtnClick);
  connect(BitBtn1, &QPushButton::clicked, this, &TBtnBottomDlg::BitBtn1Click);
  // Also when an opener sets the tick, so bcc always follows it.
  connect(CheckAll, &QCheckBox::toggled, this, &TBtnBottomDlg::CheckAllClick);
}

// --- the item list

void TBtnBottomDlg::addItem(const QString& item) {
  if (!sorted_) {
    ComboBox1->addItem(item);
    return;
  }
  // After the equal ones, so items that compare equal keep the order added.
  int at = ComboBox1->count();
  while (at > 0 && before(item, ComboBox1->itemText(at - 1))) --at;
  ComboBox1->insertItem(at, item);
}

QStringList TBtnBottomDlg::items() const {
  QStringList list;
  for (int i = 0; i < ComboBox1->count(); ++i) list << ComboBox1->itemText(i);
  return list;
}

void TBtnBottomDlg::setSorted(bool on) {
  if (on && !sorted_) {
    QStringList list = items();
    std::stable_sort(list.begin(), list.end(), before);
    ComboBox1->clear();
    ComboBox1->addItems(list);
  }
  sorted_ = on;
}

// --- showing

void TBtnBottomDlg::setEditMode(bool editMode) {
  Edit1->setEnabled(editMode);
  Edit1->setVisible(editMode);
  Edit1->setFocusPolicy(editMode ? Qt::StrongFocus : Qt::NoFocus);
  ComboBox1->setEnabled(!editMode);
  ComboBox1->setVisible(!editMode);
  ComboBox1->setFocusPolicy(editMode ? Qt::NoFocus : Qt::StrongFocus);
  if (editMode)
    Edit1->setFocus(Qt::OtherFocusReason);
  else
    ComboBox1->setFocus(Qt::OtherFocusReason);
}

bool TBtnBottomDlg::ShowChooser(int count, book::ItemKind kind) {
  const book::KindWords words = book::wordsFor(kind);
  const QString verb = text(words.verb);
  const QString noun = text(words.noun);
  const bool listMode = count >= 2;
  setEditMode(!listMode);
  CheckAll->hide();
  CheckAll->setChecked(false);
  CheckAll->setText(QStringLiteral("send to all"));
  CheckAll->setToolTip(QStringLiteral("Use multiple addresses"));
  if (count <= 0) {
    NotYetLabel->setText(QStringLiteral("No ") + noun + QStringLiteral(" found, want to enter one below?"));
    NotYetLabel->show();
    setWindowTitle(verb + noun);
    Edit1->clear();
  } else if (!listMode) {
    setWindowTitle(verb + noun + QLatin1Char(':'));
    Edit1->setText(ComboBox1->itemText(0));
  } else {
    setWindowTitle(QStringLiteral("Choose ") + noun + QLatin1Char(':'));
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setEditText(ComboBox1->itemText(0));
    if (kind == book::ItemKind::Email) CheckAll->show();
  }
  resultMarker_ = count;
  showModal();
  if (listMode) Edit1->setText(ComboBox1->currentText());
  return resultMarker_ != kDeclined;
}

int TBtnBottomDlg::showModal() {
  exec();
  return resultMarker_;
}

void TBtnBottomDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TBtnBottomDlg::FormShow() {
  if (QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  if (ComboBox1->isEnabled()) ComboBox1->showPopup();
}

void TBtnBottomDlg::FormClose() {
  ComboBox1->hidePopup();
  NotYetLabel->hide();
  bcc->hide();
}

void TBtnBottomDlg::done(int result) {
  FormClose();
  QDialog::done(result);
}

// --- buttons

void TBtnBottomDlg::OKBtnClick() {
  resultMarker_ = resultMarker_ >= 2 || !Edit1->text().isEmpty() ? kAccepted : kDeclined;
  accept();
}

void TBtnBottomDlg::CancelBtnClick() { reject(); }

void TBtnBottomDlg::reject() {
  resultMarker_ = kDeclined;
  QDialog::reject();
}

void TBtnBottomDlg::CheckAllClick() {
  if (CheckAll->isChecked()) {
    bcc->setEnabled(true);
  } else {
    bcc->setEnabled(false);
    bcc->setChecked(false);
  }
}

QString TBtnBottomDlg::helpAddress() const {
  // The list of addresses and the search prompt both show CheckAll.
  return platform::helpPageAddress(CheckAll->isVisibleTo(this) ? QStringLiteral("elist.html")
                                                               : QStringLiteral("Davuzud.htm"));
}

void TBtnBottomDlg::BitBtn1Click() {
  platform::desktopShell().open(helpAddress(), {}, {}, platform::ShowState::Maximized);
}

}  // namespace contact
