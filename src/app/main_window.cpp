#include "app/main_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "app/contacts_import.h"
#include "app/index_repair.h"
#include "app/startup.h"
#include "app/sync_offer.h"
#include "book/name_tag.h"
#include "contact/chooser_dialog.h"
#include "contact/contact_actions.h"
#include "duplicates/duplicates_command.h"
#include "maint/folder_dialog.h"
#include "maint/maintenance_command.h"
#include "platform/desktop_shell.h"
#include "platform/dialogs.h"
#include "platform/help_pages.h"
#include "report/report_writer_command.h"
#include "search/search_commands.h"
#include "shop/store_links.h"
#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/data_module.h"
#include "store/error_box.h"
#include "widgets/key_hints.h"
#include "widgets/pictures.h"

namespace app {
namespace {

using widgets::Picture;

constexpr int kClientWidth = 294;
constexpr int kClientHeight = 377;
constexpr int kButtonSize = 25;
constexpr int kPictureSize = 19;
const QColor kNoWrapColour = Qt::yellow;
const QColor kWrapColour = Qt::white;

QFont arial(int pixels, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void setBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  widget->setPalette(palette);
}

}  // namespace

TRuViv::TRuViv(store::TDM& dm, const QStringList& parameters, const QString& workingDirectory, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      dm_(dm),
      parameters_(parameters),
      workingDirectory_(workingDirectory) {
  setObjectName(QStringLiteral("RuViv"));
  setWindowTitle(QString::fromLatin1(kDesignCaption));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(arial(10, true));
  createToolbar();
  createDataControls();
  bindKeys();
  connect(&dm_, &store::TDM::focusGridRequested, this, &TRuViv::giveGridFocus);
  new IndexRepairOffer(
      dm_, [this] { showOrderInForce(); }, this);
  FormCreate();
}

// --- layout

void TRuViv::createToolbar() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(0, 0, kClientWidth, 41);

  struct Look {
    QToolButton** member;
    const char* name;
    int left;
    int top;
    Picture picture;
    const char* hint;
  };
  const Look looks[] = {
      {&SpeedPhone, "SpeedPhone", 2, 6, Picture::Phone, "Dial Phone Number"},
      {&email, "email", 29, 6, Picture::Email, "Send  e-mail"},
      {&URL, "URL", 55, 6, Picture::Web, "Visit  Website"},
      {&FindSpeed, "FindSpeed", 82, 6, Picture::Find, "Search (Set Filter)"},
      {&NoFilterSpeed, "NoFilterSpeed", 108, 6, Picture::NoFilter, "Cancel Filter"},
      {&ClipSpeed, "ClipSpeed", 135, 6, Picture::Clipboard, "Copy between Name field and Windows Clipboard"},
      {&InfoSpeed, "InfoSpeed", 162, 5, Picture::Info, "More Information"},
      {&ButtonNatural, "ButtonNatural", 188, 6, Picture::NaturalOrder, "show entries in order entered (Natural Order)"},
      {&ButtonAlpha, "ButtonAlpha", 188, 6, Picture::AlphaOrder, "return to Alphabetical order"},
      {&buttonRW, "buttonRW", 215, 6, Picture::Report, "Report Writer"},
      {&ToolsSpeed, "ToolsSpeed", 241, 5, Picture::Tools, "Pack, Reindex and optionally Archive database"},
      {&HelpSpeed, "HelpSpeed", 268, 5, Picture::Help, "On-line Help"},
  };
  for (const Look& look : looks) {
    auto* button = new QToolButton(Panel1);
    button->setObjectName(QString::fromLatin1(look.name));
    button->setGeometry(look.left, look.top, kButtonSize, kButtonSize);
    button->setIcon(widgets::pictureIcon(look.picture, kPictureSize));
    button->setIconSize(QSize(kPictureSize, kPictureSize));
    button->setToolTip(QString::fromLatin1(look.hint));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);  // reached by Tab, never taken from the grid by a click
    *look.member = button;
  }
  // The commands behind these buttons come with their own features; until
  // then the buttons are shown but cannot be pressed. The contact actions
  // and the search are enabled when the chooser dialog is attached.
  for (QToolButton* later : {SpeedPhone, email, URL, FindSpeed, NoFilterSpeed, ClipSpeed}) later->setEnabled(false);
  ButtonAlpha->hide();

  connect(ButtonNatural, &QToolButton::clicked, this, &TRuViv::ButtonNaturalClick);
  connect(ButtonAlpha, &QToolButton::clicked, this, &TRuViv::ButtonAlphaClick);
  connect(HelpSpeed, &QToolButton::clicked, this, &TRuViv::HelpSpeedClick);
  auto* maintenance = new maint::MaintenanceCommand(
      dm_,
      {[this] { ZurGrid->viewport()->update(); },
       [this] { return maint::FolderDialog::choose(dm_.tblAddress.folder(), this); },
       [](const QString& dataFolder) { offerSync(dataFolder); }},
      this);
  connect(ToolsSpeed, &QToolButton::clicked, maintenance, &maint::MaintenanceCommand::ToolsSpeedClick);
  auto* reportWriter = new report::ReportWriterCommand(dm_,
                                                       {[this] { return ZurGrid->selectedRows(); },
                                                        [this] { return windowTitle(); },
                                                        {},
                                                        [this] { return ZurGrid->markedEnds(); }},
                                                       this);
  connect(buttonRW, &QToolButton::clicked, reportWriter, &report::ReportWriterCommand::buttonRWClick);
  // Find duplicates: its shortcut works in the whole window, and the
  // toolbar's context menu offers it with the shortcut beside it.
  auto* findDuplicates = new duplicates::DuplicatesCommand(dm_, this);
  addAction(findDuplicates->action());
  Panel1->addAction(findDuplicates->action());
  Panel1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TRuViv::createDataControls() {
  ZurGrid = new widgets::DbGrid(this);
  ZurGrid->setObjectName(QStringLiteral("ZurGrid"));
  ZurGrid->setGeometry(2, 40, 290, 147);
  QFont gridFont(QStringLiteral("Courier New"));
  gridFont.setStyleHint(QFont::Monospace);
  gridFont.setPixelSize(13);
  gridFont.setBold(true);
  ZurGrid->setFont(gridFont);
  ZurGrid->setTitleFont(arial(13, false));
  ZurGrid->setColumn(QStringLiteral("NAME"), QStringLiteral("NAME"), 353, book::kNameWidth);
  ZurGrid->setConfirmDelete(true);
  ZurGrid->setDataSource(&dm_.dsAddress);
  contactsImport_ = new ContactsImport(dm_, ZurGrid, this);

  DBMemo1 = new widgets::DbMemo(this);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  // As wide as the grid so that its scroll bar stays inside the window.
  DBMemo1->setGeometry(2, 190, 290, 94);
  DBMemo1->setFont(arial(13, false));
  DBMemo1->setField(QStringLiteral("INFO"));
  DBMemo1->setDataSource(&dm_.dsAddress);
  setBackground(DBMemo1, kWrapColour);

  DBNavigator1 = new widgets::DbNavigator(this);
  DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
  DBNavigator1->setGeometry(12, 288, 198, 19);
  DBNavigator1->setConfirmDelete(true);
  DBNavigator1->setDataSource(&dm_.dsAddress);

  WrapButton = new QCheckBox(QStringLiteral("Word Wrap"), this);
  WrapButton->setObjectName(QStringLiteral("WrapButton"));
  // Two pixels wider than measured for the original face: its caption in
  // Liberation Sans (Arial's widths) needs them.
  WrapButton->setGeometry(216, 291, 74, 14);
  WrapButton->setToolTip(QStringLiteral("Word wrap memo (note)?"));
  WrapButton->setChecked(true);

  Shop = new shop::ShopRadioGroup(this);
  Shop->setObjectName(QStringLiteral("Shop"));
  Shop->setGeometry(0, kClientHeight - 64, kClientWidth, 64);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->hide();

  connect(ZurGrid, &widgets::DbGrid::keyTyped, this, &TRuViv::ZurGridKeyPress);
  connect(DBMemo1, &widgets::DbMemo::keyTyped, this, &TRuViv::ZurGridKeyPress);
  connect(DBMemo1, &widgets::DbMemo::exited, this, &TRuViv::DBMemo1Exit);
  connect(WrapButton, &QCheckBox::clicked, this, &TRuViv::WrapButtonClick);

  search::SearchCommands::Hooks searchHooks;
  searchHooks.grid = ZurGrid;
  searchHooks.noFilterButton = NoFilterSpeed;
  searchHooks.memoWraps = [this] { return DBMemo1->wordWrap(); };
  searchHooks.focusGrid = [this] {
    giveGridFocus();
    ZurGrid->viewport()->update();
  };
  searching_ = new search::SearchCommands(dm_, this, std::move(searchHooks));
  connect(NoFilterSpeed, &QToolButton::clicked, searching_, &search::SearchCommands::NoFilterSpeedClick);
  connect(InfoSpeed, &QToolButton::clicked, searching_, &search::SearchCommands::InfoSpeedClick);
  connect(ZurGrid, &widgets::DbGrid::doubleClicked, searching_, &search::SearchCommands::InfoSpeedClick);
  connect(DBMemo1, &widgets::DbMemo::doubleClicked, searching_, &search::SearchCommands::InfoSpeedClick);
  connect(Shop, &shop::ShopRadioGroup::clicked, this, &TRuViv::ShopClick);
}

// Every command has a key (README lists them); the keys are named in the
// hints, from which the screen-reader texts come too.
void TRuViv::bindKeys() {
  using Nav = widgets::DbNavigator;
  const auto nav = [this](Nav::Button which) { return DBNavigator1->button(which); };
  const struct {
    QKeySequence key;
    QList<QAbstractButton*> buttons;
  } keys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_D), {SpeedPhone}},
      {QKeySequence(Qt::CTRL | Qt::Key_M), {email}},
      {QKeySequence(Qt::CTRL | Qt::Key_L), {URL}},
      {QKeySequence::Find, {FindSpeed}},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), {ClipSpeed}},
      {QKeySequence(Qt::CTRL | Qt::Key_I), {InfoSpeed}},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), {ButtonNatural, ButtonAlpha}},
      {QKeySequence::Print, {buttonRW}},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), {ToolsSpeed}},
      {QKeySequence::HelpContents, {HelpSpeed}},
      {QKeySequence::MoveToStartOfDocument, {nav(Nav::First)}},
      {QKeySequence(Qt::CTRL | Qt::Key_PageUp), {nav(Nav::Prior)}},
      {QKeySequence(Qt::CTRL | Qt::Key_PageDown), {nav(Nav::Next)}},
      {QKeySequence::MoveToEndOfDocument, {nav(Nav::Last)}},
      {QKeySequence(Qt::Key_Insert), {nav(Nav::Insert)}},
      {QKeySequence(Qt::CTRL | Qt::Key_Delete), {nav(Nav::Delete)}},
      {QKeySequence(Qt::Key_F2), {nav(Nav::Edit)}},
      {QKeySequence(Qt::CTRL | Qt::Key_Return), {nav(Nav::Post)}},
      {QKeySequence(Qt::CTRL | Qt::Key_Enter), {nav(Nav::Post)}},
      // Esc ends the edit first; while browsing it ends the search.
      {QKeySequence::Cancel, {nav(Nav::Cancel), NoFilterSpeed}},
  };
  for (const auto& k : keys) widgets::bindKey(this, k.key, k.buttons);
  // Within a search's result the next match is the next entry; without one
  // the key asks for a search.
  widgets::bindKey(this, QKeySequence(Qt::Key_F3), {FindSpeed}, [this] {
    if (NoFilterSpeed->isEnabled())
      DBNavigator1->press(widgets::DbNavigator::Next);
    else if (FindSpeed->isEnabled())
      FindSpeed->click();
  });
  ZurGrid->setToolTip(QStringLiteral("Names; type a letter to go to the first name beginning with it"));
  DBMemo1->setToolTip(QStringLiteral("Memo (note) of the current entry"));
  widgets::describeControls(this);
  widgets::bindWhatsThisKey(this);
}

// --- start-up

void TRuViv::FormCreate() {
  firstShow_ = true;
  dm_.search().setText(QString());
  ButtonAlpha->move(ButtonNatural->pos());
}

void TRuViv::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (firstShow_) FormShow();
}

void TRuViv::FormShow() {
  if (!firstShow_) return;
  if (QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  const QString contactFile = contactFileParameter(parameters_, workingDirectory_);
  const QStringList folderParameters = contactFile.isEmpty() ? parameters_ : QStringList();
  setWindowTitle(startupCaption(folderParameters));
  bool started = false;
  try {
    started = runStartup(dm_, folderParameters, workingDirectory_);
  } catch (...) {
    store::showErrorBox(std::current_exception());  // a window without its table is of no use
  }
  if (!started) {
    // Closing from inside the show event would interrupt the showing; the
    // window closes as soon as control is back in the event loop.
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  firstShow_ = false;
  giveGridFocus();
  if (!contactFile.isEmpty()) contactsImport_->importFiles({contactFile});
}

// --- handlers

void TRuViv::giveGridFocus() { ZurGrid->setFocus(Qt::OtherFocusReason); }

// Typing a character in browsing state jumps to the first name beginning
// with it (or the next one in the alphabet). In natural order there is no
// key to seek, so a typed character does nothing there.
void TRuViv::ZurGridKeyPress(QChar key) {
  store::EngineTable& table = dm_.tblAddress;
  if (!table.isActive() || table.state() != store::DatasetState::Browse) return;
  if (key.unicode() < 32 || key.unicode() > 126) return;
  if (table.indexName().isEmpty()) return;
  table.seekNearest(store::upperAscii(QString(key)));
}

void TRuViv::attachChooser(contact::TBtnBottomDlg& chooser) {
  chooser_ = &chooser;
  auto* actions = new contact::ContactActions(dm_, chooser, {ZurGrid, DBMemo1, Memo1}, this);
  connect(SpeedPhone, &QToolButton::clicked, actions, &contact::ContactActions::SpeedPhoneClick);
  connect(email, &QToolButton::clicked, actions, &contact::ContactActions::emailClick);
  connect(URL, &QToolButton::clicked, actions, &contact::ContactActions::URLClick);
  connect(ClipSpeed, &QToolButton::clicked, actions, &contact::ContactActions::ClipSpeedClick);
  searching_->setPrompt({&chooser, chooser.Edit1, chooser.ComboBox1, chooser.CheckAll,
                         [&chooser](int marker) { chooser.setResultMarker(marker); },
                         [&chooser] { return chooser.showModal(); }});
  connect(FindSpeed, &QToolButton::clicked, searching_, &search::SearchCommands::FindSpeedClick);
  for (QToolButton* button : {SpeedPhone, email, URL, FindSpeed, ClipSpeed}) button->setEnabled(true);
}

// Tab and Shift+Tab move on through the window; any other way out of the
// memo gives the grid the focus.
void TRuViv::DBMemo1Exit(Qt::FocusReason reason) {
  if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason) giveGridFocus();
}

// Decided by the memo's own state, so the memo and the check box stay in
// step from their common start (both on).
void TRuViv::WrapButtonClick() {
  if (DBMemo1->wordWrap()) {
    DBMemo1->setWordWrap(false);
    setBackground(DBMemo1, kNoWrapColour);
  } else {
    DBMemo1->setWordWrap(true);
    setBackground(DBMemo1, kWrapColour);
  }
  giveGridFocus();
}

void TRuViv::HelpSpeedClick() {
  platform::desktopShell().open(platform::mainHelpPageAddress(), {}, {}, platform::ShowState::Normal);
}

void TRuViv::ButtonNaturalClick() {
  dm_.tblAddress.setIndexName(QString());
  // A refused post of the entry being edited leaves the order as it was.
  if (!dm_.tblAddress.indexName().isEmpty()) return;
  ButtonNatural->hide();
  ButtonAlpha->show();
}

// A table shown without its name tag (it could not be built at start-up,
// another program had the table open) stays in the order entered, and the
// user is told why.
void TRuViv::ButtonAlphaClick() {
  const std::string lack = book::nameTagLack(store::toFileSystemPath(dm_.tblAddress.filePath()));
  if (!lack.empty()) {
    platform::dialogs().information(QString::fromStdString(
        lack +
        "; the entries stay in the order entered until it is built (cardlark-db reindex DIR, or the next "
        "start while no other program has the table open)"));
    return;
  }
  dm_.tblAddress.setIndexName(QString::fromLatin1(book::kTagName));
  if (dm_.tblAddress.indexName().isEmpty()) return;
  ButtonAlpha->hide();
  ButtonNatural->show();
}

// The order buttons follow the order in force (set elsewhere, e.g. by the
// index repair).
void TRuViv::showOrderInForce() {
  const bool natural = dm_.tblAddress.indexName().isEmpty();
  ButtonNatural->setVisible(!natural);
  ButtonAlpha->setVisible(natural);
  ZurGrid->viewport()->update();
}

void TRuViv::ShopClick() {
  const QString address = shop::storeLinkAddress(Shop->itemIndex());
  if (!address.isEmpty()) platform::desktopShell().open(address, {}, {}, platform::ShowState::Normal);
}

}  // namespace app
