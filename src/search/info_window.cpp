#include "search/info_window.h"

#include <QFontDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTextCursor>

#include "platform/desktop_shell.h"
#include "platform/help_pages.h"
#include "search/find_next.h"
#include "store/address_schema.h"
#include "store/data_module.h"
#include "store/error_box.h"
#include "widgets/pictures.h"
#include "widgets/stand_in_font.h"

namespace search {
namespace {

constexpr int kClientWidth = 418;
constexpr int kClientHeight = 375;

QFont typeface(const char* family, int pixels, bool bold = false, bool italic = false) {
  return widgets::standInFont(family, pixels, bold, italic);
}

void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

}  // namespace

TInfo::TInfo(store::TDM& dm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), dm_(dm) {
  setObjectName(QStringLiteral("Info"));
  setWindowTitle(QStringLiteral("Kestrane - Extended Information"));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(typeface("MS Sans Serif", 10));
  setAttribute(Qt::WA_DeleteOnClose, false);
  createControls();
  FontDialog1 = [](const QFont& current, QWidget* parent) -> std::optional<QFont> {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, current, parent);
    return ok ? std::optional<QFont>(chosen) : std::nullopt;
  };
}

void TInfo::createControls() {
  auto label = [this](const char* name, int left, int top, const QString& text = {}) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->move(left, top);
    return l;
  };
  NameLabel = label("NameLabel", 7, 7);
  NameLabel->setFont(typeface("Arial", 15, true));
  setColour(NameLabel, QPalette::WindowText, QColor(0, 0, 128));
  NameLabel->setMinimumWidth(kClientWidth - 14);

  Memo1 = new widgets::DbRichMemo(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(3, 28, 410, 213);
  Memo1->setFont(typeface("Arial", 15));
  Memo1->setDataSource(&dm_.dsAddress);

  Label1 = label("Label1", 13, 245, QStringLiteral("Entry last modified:"));
  DateLabel = label("DateLabel", 163, 245);
  DateLabel->setFont(typeface("Arial", 15, true));

  Panel1 = label("Panel1", 7, 263, QStringLiteral("Database:"));
  Panel1->resize(406, 17);  // the stand-in font is 17 pixels high
  Panel1->setFont(typeface("Arial Rounded MT Bold", 15));
  Panel1->setAutoFillBackground(true);
  Panel1->setAlignment(Qt::AlignCenter);
  setColour(Panel1, QPalette::Window, Qt::cyan);

  Lupdate = label("Lupdate", 13, 283, QStringLiteral("Last update to ANY record:"));
  LupdateLabel = label("LupdateLabel", 163, 281);
  LupdateLabel->setFont(typeface("Arial", 15, true));
  Label3 = label("Label3", 13, 300, QStringLiteral("Total non-deleted records:"));
  AllCountLabel = label("AllCountLabel", 163, 299);
  AllCountLabel->setFont(typeface("MS Sans Serif", 15));
  IfFilterLabel = label("IfFilterLabel", 13, 319, QStringLiteral("Records meeting filter criteria:"));
  FilterLabel = label("FilterLabel", 163, 319);
  FilterLabel->setFont(typeface("Arial", 15, true));
  for (QLabel* value : {DateLabel, LupdateLabel, AllCountLabel, FilterLabel}) value->setMinimumWidth(200);

  auto button = [this](const char* name, const QString& text, const QRect& place, const QFont& look) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(place);
    b->setFont(look);
    return b;
  };
  ButtonFind = button("ButtonFind", QStringLiteral("Find"), {12, 340, 80, 24}, typeface("Arial", 15, true));
  ButtonFind->setIcon(widgets::pictureIcon(widgets::Picture::Find, 16));
  ButtonFind->setToolTip(QStringLiteral("Search for text in memo"));
  ButtonFont = button("ButtonFont", QStringLiteral("Font"), {97, 340, 76, 24},
                      typeface("Comic Sans MS", 17, true, true));
  setColour(ButtonFont, QPalette::ButtonText, Qt::blue);
  ButtonFont->setToolTip(QStringLiteral("C;hange memo font size, color etcl"));
  BitBtn1 = button("BitBtn1", QStringLiteral("&Help"), {290, 340, 60, 24}, typeface("MS Sans Serif", 11, true));
  BitBtn1->setIcon(widgets::pictureIcon(widgets::Picture::Help, 16));
  CloseButton = button("CloseButton", QStringLiteral("&Close"), {352, 340, 61, 24},
                       typeface("MS Sans Serif", 11, true));
  CloseButton->setToolTip(QStringLiteral("Return to opening screen"));
  CloseButton->setAutoDefault(false);

  FindDialog1 = new FindDialog(this);

  connect(ButtonFind, &QPushButton::clicked, this, &TInfo::ButtonFindClick);
  connect(ButtonFont, &QPushButton::clicked, this, &TInfo::ButtonFontClick);
  connect(BitBtn1, &QPushButton::clicked, this, &TInfo::BitBtn1Click);
  connect(CloseButton, &QPushButton::clicked, this, &TInfo::CloseButtonClick);
  connect(FindDialog1, &FindDialog::find, this, &TInfo::FindDialog1Find);
  connect(FindDialog1, &FindDialog::closed, this, &TInfo::FindDialog1Close);
}

void TInfo::mirrorUnwrappedMemo() {
  Memo1->setWordWrap(false);
  setColour(Memo1, QPalette::Base, Qt::yellow);
}

void TInfo::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred on the screen; the find dialog opens at the memo's top right
  // corner (the memo itself keeps its selection visible without the focus).
  if (QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  FindDialog1->move(mapToGlobal(Memo1->geometry().topRight()));
  try {
    FormShow();
  } catch (...) {
    store::showErrorBox(std::current_exception());
  }
}

void TInfo::FormShow() {
  store::EngineTable& table = dm_.tblAddress;
  const QString lastDate = QString::fromLatin1(book::kLastDate);
  DateLabel->setText(dm_.EngineSettings1.formatDate(table.date(lastDate)));
  NameLabel->setText(table.text(QString::fromLatin1(book::kName)));
  AllCountLabel->setText(QString::number(dm_.entryCount()));
  LupdateLabel->setText(table.lastUpdate().left(68));
  const bool searching = table.filtered();
  IfFilterLabel->setVisible(searching);
  FilterLabel->setVisible(searching);
  if (!searching) return;
  // The search's marks already hold the count of a per-record search.
  const book::RecordMarks* marks = dm_.search().marks();
  const std::size_t meeting = marks                          ? marks->count()
                              : table.filterText().isEmpty() ? static_cast<std::size_t>(table.walkingCount())
                                                             : static_cast<std::size_t>(table.recordCount());
  FilterLabel->setText(QString::number(meeting));
}

void TInfo::ButtonFindClick() {
  FindDialog1->setFindText(dm_.search().text());
  FindDialog1->DownButton->setChecked(true);
  FindDialog1->show();
  FindDialog1->raise();
}

void TInfo::FindDialog1Find() {
  const QString what = FindDialog1->findText();
  if (what.isEmpty()) return;
  QTextCursor selection = Memo1->textCursor();
  const qsizetype start = selection.selectionStart();
  const qsizetype found = findNext(Memo1->toPlainText(), start, selection.selectionEnd() - start, what);
  if (found < 0) return;
  selection.setPosition(static_cast<int>(found));
  selection.setPosition(static_cast<int>(found + what.size()), QTextCursor::KeepAnchor);
  Memo1->setTextCursor(selection);
}

void TInfo::FindDialog1Close() { Memo1->setFocus(Qt::OtherFocusReason); }

// The chosen font lasts for this opening only.
void TInfo::ButtonFontClick() {
  if (const std::optional<QFont> chosen = FontDialog1(Memo1->font(), this)) Memo1->setFont(*chosen);
}

void TInfo::BitBtn1Click() {
  platform::desktopShell().open(platform::mainHelpPageAddress(), {}, {}, platform::ShowState::Maximized);
}

void TInfo::CloseButtonClick() { close(); }

}  // namespace search
