// The main window's layout and its own handlers: order switching, typing to
// jump, word wrap, help, store links and the record navigator's delete.

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/index_repair.h"
#include "platform/help_pages.h"
#include "report/rec_range.h"
#include "report/report_form.h"
#include "report/report_preview.h"
#include "report/report_writer_command.h"
#include "shop/store_links.h"
#include "store/ansi_text.h"
#include "widgets/key_hints.h"
#include "window_fixture.h"
#include "xbase/cursor.h"

namespace {

using app_testing::WindowFixture;
using widgets::DbNavigator;

template <typename T = QWidget>
T* control(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// Every visible control of `controls` lies inside `parent` and no two of
// them overlap.
void expectInsideAndApart(const QWidget& parent, const QList<QWidget*>& controls) {
  QList<QWidget*> shown;
  for (QWidget* c : controls) {
    ASSERT_NE(c, nullptr);
    if (c->isVisible()) shown << c;
  }
  for (int i = 0; i < shown.size(); ++i) {
    EXPECT_TRUE(parent.rect().contains(shown[i]->geometry())) << shown[i]->objectName().toStdString();
    for (int j = i + 1; j < shown.size(); ++j)
      EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
          << shown[i]->objectName().toStdString() << " overlaps " << shown[j]->objectName().toStdString();
  }
}

TEST(MainWindowLayout, ToolbarButtonsSitAtTheirPlacesWithTheirHints) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  EXPECT_EQ(window.size(), QSize(294, 377));
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  struct Button {
    const char* name;
    const char* hint;
    bool enabled;
  };
  const Button buttons[] = {
      {"SpeedPhone", "Dial Phone Number", true},
      {"email", "Send  e-mail", true},
      {"URL", "Visit  Website", true},
      {"FindSpeed", "Search (Set Filter)", true},
      {"NoFilterSpeed", "Cancel Filter", false},
      {"ClipSpeed", "Copy between Name field and Windows Clipboard", true},
      {"InfoSpeed", "More Information", true},
      {"ButtonNatural", "show entries in order entered (Natural Order)", true},
      {"ButtonAlpha", "return to Alphabetical order", true},
      {"buttonRW", "Report Writer", true},
      {"ToolsSpeed", "Pack, Reindex and optionally Archive database", true},
      {"HelpSpeed", "On-line Help", true},
  };
  QList<QWidget*> toolbar;
  for (const Button& b : buttons) {
    SCOPED_TRACE(b.name);
    auto* button = control<QToolButton>(window, b.name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parentWidget(), window.Panel1);
    EXPECT_EQ(widgets::hintOf(button), QString::fromLatin1(b.hint));
    EXPECT_EQ(button->isEnabled(), b.enabled);
    EXPECT_FALSE(button->icon().isNull());
    toolbar << button;
  }
  expectInsideAndApart(*window.Panel1, toolbar);
  // The two order buttons take turns at one place.
  EXPECT_TRUE(window.ButtonNatural->isVisible());
  EXPECT_FALSE(window.ButtonAlpha->isVisible());
  EXPECT_EQ(window.ButtonAlpha->geometry(), window.ButtonNatural->geometry());
}

TEST(MainWindowLayout, DataControlsAndStoreLinks) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  // The toolbar panel across the top; below it (the grid's frame on the
  // panel's bottom line) the data controls and the store links, each inside
  // the window and none over another.
  QWidget* panel = control(window, "Panel1");
  const QList<QWidget*> body{control(window, "ZurGrid"), control(window, "DBMemo1"), control(window, "DBNavigator1"),
                             control(window, "WrapButton"), control(window, "Shop")};
  expectInsideAndApart(window, QList<QWidget*>{panel});
  expectInsideAndApart(window, body);
  for (const QWidget* c : body) EXPECT_GE(c->y(), panel->geometry().bottom()) << c->objectName().toStdString();
  EXPECT_EQ(window.ZurGrid->columnWidth(), 353);
  EXPECT_EQ(window.ZurGrid->font().pixelSize(), 13);
  EXPECT_TRUE(window.ZurGrid->font().bold());
  EXPECT_EQ(window.WrapButton->text(), "Word Wrap");
  EXPECT_EQ(window.WrapButton->toolTip(), "Word wrap memo (note)?");
  EXPECT_TRUE(window.WrapButton->isChecked());
  EXPECT_FALSE(control(window, "Memo1")->isVisible());
  EXPECT_EQ(window.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(window.DBMemo1->font().pixelSize(), 13);
  EXPECT_TRUE(window.DBMemo1->wordWrap());

  const shop::ShopRadioGroup* shop = window.Shop;
  EXPECT_EQ(shop->title(), "  Check out the Top 100:in:  ");
  EXPECT_EQ(shop->itemIndex(), -1);
  // Filled column by column: Gift Cards heads the second column.
  EXPECT_EQ(shop->item(3)->text(), "Gift Cards");
  EXPECT_EQ(shop->item(3)->x(), shop->item(4)->x());
  EXPECT_GT(shop->item(3)->x(), shop->item(2)->x());
  EXPECT_LT(shop->item(3)->y(), shop->item(4)->y());
  const char* hints[] = {"First record",  "Prior record", "Next record", "Last record", "Insert record",
                         "Delete record", "Edit record",  "Post edit",   "Cancel edit"};
  for (int i = 0; i < DbNavigator::ButtonCount; ++i)
    EXPECT_EQ(widgets::hintOf(window.DBNavigator1->button(static_cast<DbNavigator::Button>(i))), hints[i]);
}

TEST(MainWindow, OrderSwitchKeepsTheCurrentEntry) {
  WindowFixture f;
  f.seed({"Zed", "Adam", "Mike", "Bob"});
  app::TRuViv& window = f.start();
  f.table().seekNearest("M");
  ASSERT_EQ(f.currentName(), "Mike");

  QTest::mouseClick(window.ButtonNatural, Qt::LeftButton);
  EXPECT_TRUE(f.table().indexName().isEmpty());
  EXPECT_EQ(f.currentName(), "Mike");
  EXPECT_FALSE(window.ButtonNatural->isVisible());
  EXPECT_TRUE(window.ButtonAlpha->isVisible());
  EXPECT_TRUE(window.ZurGrid->visibleTexts().mid(0, 4) == QStringList({"Zed", "Adam", "Mike", "Bob"}));

  QTest::mouseClick(window.ButtonAlpha, Qt::LeftButton);
  EXPECT_EQ(f.table().indexName().toUpper(), "ADDRESS");
  EXPECT_EQ(f.currentName(), "Mike");
  EXPECT_TRUE(window.ButtonNatural->isVisible());
  EXPECT_FALSE(window.ButtonAlpha->isVisible());
  EXPECT_EQ(window.ZurGrid->visibleTexts(), QStringList({"Adam", "Bob", "Mike", "Zed"}));
}

// The record-choice dialog's own instructions, followed with the mouse:
// "click Smith, Ctrl+click Walker, Report Writer, Range, OK", and the same
// marks reported as Selected; a Shift+click marks every row between.
TEST(MainWindow, RowsMarkedInTheGridReportAsTheChoiceDialogSays) {
  WindowFixture f;
  f.seed({"Walker", "Adams", "Smith", "Young", "Baker", "Taylor"});
  app::TRuViv& window = f.start();
  widgets::DbGrid& grid = *window.ZurGrid;
  const auto click = [&](const char* name, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const int row = static_cast<int>(grid.visibleTexts().indexOf(QString::fromLatin1(name)));
    ASSERT_GE(row, 0) << name;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers, grid.rowRect(row).center());
  };
  const auto reportOf = [&](report::RecordChoice choice) {
    QStringList names;
    QTimer previewWatch;  // reads the preview's names once it shows, then closes it
    QObject::connect(&previewWatch, &QTimer::timeout, [&] {
      report::ReportPreview* preview = report::openReportPreview();
      if (!preview) return;
      previewWatch.stop();
      preview->finishProducing();
      for (const report::Page& page : preview->pages())
        for (const report::TextRun& run : page.texts)
          if (run.font == report::FontStyle::Bold) names << QString::fromStdString(run.text);
      preview->close();
    });
    previewWatch.start(5);
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<report::TRecRange*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      QTest::mouseClick(dialog->RangeItems[static_cast<std::size_t>(choice)], Qt::LeftButton);
      QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(window.buttonRW, Qt::LeftButton);
    return names;
  };
  using report::RecordChoice;
  click("Smith");
  click("Walker", Qt::ControlModifier);
  EXPECT_EQ(reportOf(RecordChoice::Range), QStringList({"Smith", "Taylor", "Walker"}));
  EXPECT_EQ(reportOf(RecordChoice::Selected), QStringList({"Smith", "Walker"}));
  EXPECT_EQ(f.currentName(), "Walker");

  click("Baker");
  click("Taylor", Qt::ShiftModifier);
  EXPECT_EQ(reportOf(RecordChoice::Selected), QStringList({"Baker", "Smith", "Taylor"}));
  click("Adams", Qt::ControlModifier);  // outside the range: no longer a range
  EXPECT_EQ(reportOf(RecordChoice::Selected), QStringList({"Adams", "Baker", "Smith", "Taylor"}));
  EXPECT_TRUE(f.dialogs.texts().isEmpty());
  EXPECT_TRUE(reportOf(RecordChoice::Range).isEmpty());
  EXPECT_EQ(f.dialogs.texts(), QStringList{report::kNoRangeMessage});
}

// A table another program wrote without ADDRESS.CDX, held open elsewhere so
// the tag cannot be built: the window says why, stays in the order entered,
// and still refuses a second entry of a name (found by a walk).
TEST(MainWindow, WithoutItsNameTagTheTableIsShownInTheOrderEnteredAndKeepsItsRules) {
  WindowFixture f;
  f.work.createAddressTable(false);
  for (const char* name : {"Zed", "Adam"}) f.work.appendEntry(name);
  const auto elsewhere = xbase::Cursor::open(store::toFileSystemPath(f.work.path()) / "ADDRESS.DBF",
                                             xbase::OpenMode::Shared);
  app::TRuViv& window = f.start();
  ASSERT_FALSE(f.dialogs.boxes().empty());
  EXPECT_TRUE(f.dialogs.boxes().back().text.contains("ADDRESS.CDX is missing"))
      << f.dialogs.boxes().back().text.toStdString();
  EXPECT_TRUE(window.ZurGrid->visibleTexts().mid(0, 2) == QStringList({"Zed", "Adam"}));

  const std::size_t shown = f.dialogs.boxes().size();
  QTest::mouseClick(window.ButtonAlpha, Qt::LeftButton);
  ASSERT_EQ(f.dialogs.boxes().size(), shown + 1);
  EXPECT_TRUE(f.dialogs.boxes().back().text.contains("stay in the order entered"));
  EXPECT_TRUE(f.table().indexName().isEmpty());

  f.table().append();
  f.table().setText("Name", "adam");
  EXPECT_FALSE(f.table().post());
  EXPECT_EQ(f.dialogs.boxes().back().text, "ERROR! entry already exists for: adam");
  f.table().cancel();
}

TEST(MainWindow, OrderSwitchFinishesTheEditLikeLeavingTheRecord) {
  WindowFixture f;
  f.seed({"Zed", "Adam"});
  app::TRuViv& window = f.start();
  f.table().edit();
  f.table().setText("Name", "Aaron");
  QTest::mouseClick(window.ButtonNatural, Qt::LeftButton);
  EXPECT_EQ(f.table().state(), store::DatasetState::Browse);
  EXPECT_EQ(f.currentName(), "Aaron");  // posted and still current

  f.table().edit();  // unchanged: cancelled
  QTest::mouseClick(window.ButtonAlpha, Qt::LeftButton);
  EXPECT_EQ(f.table().state(), store::DatasetState::Browse);
  EXPECT_EQ(f.currentName(), "Aaron");
  EXPECT_TRUE(f.dialogs.boxes().empty());
}

TEST(MainWindow, TypingJumpsToTheNearestName) {
  WindowFixture f;
  f.seed({"zulu", "Alpha", "Nora", "mike", "Mabel", "Oscar"});
  app::TRuViv& window = f.start();
  QTest::keyClick(window.ZurGrid, 'm');
  EXPECT_EQ(f.currentName(), "Mabel");
  QTest::keyClick(window.ZurGrid, 'p');  // no P: the next name in the alphabet
  EXPECT_EQ(f.currentName(), "zulu");
  QTest::keyClick(window.DBMemo1, 'n');
  EXPECT_EQ(f.currentName(), "Nora");
  EXPECT_EQ(window.DBMemo1->toPlainText(), "memo of Nora");  // the memo did not take the key

  // Enter and characters outside blank to tilde never move.
  QTest::keyClick(window.ZurGrid, Qt::Key_Return);
  window.ZurGridKeyPress(QChar(0xE9));  // e acute
  QTest::keyClick(window.ZurGrid, Qt::Key_Eacute, Qt::NoModifier);
  EXPECT_EQ(f.currentName(), "Nora");
  EXPECT_TRUE(f.dialogs.boxes().empty());
}

TEST(MainWindow, TypingWhileEditingChangesTheTextNotThePlace) {
  WindowFixture f;
  f.seed({"Alpha", "Mike"});
  app::TRuViv& window = f.start();
  window.DBNavigator1->press(DbNavigator::Edit);
  ASSERT_EQ(f.table().state(), store::DatasetState::Edit);
  window.ZurGrid->setFocus();
  QTest::keyClicks(window.ZurGrid->editor(), "m");
  EXPECT_EQ(f.table().text("Name"), "Alpham");
  EXPECT_EQ(f.table().bookmark().recordNumber, 1u);
  QTest::keyClicks(window.DBMemo1, "m");
  EXPECT_TRUE(f.table().text("Info").contains('m'));
  EXPECT_EQ(f.table().bookmark().recordNumber, 1u);
}

TEST(MainWindow, TypingInNaturalOrderDoesNothing) {
  WindowFixture f;
  f.seed({"Zed", "Mike"});
  app::TRuViv& window = f.start();
  f.table().last();
  QTest::mouseClick(window.ButtonNatural, Qt::LeftButton);
  ASSERT_EQ(f.currentName(), "Zed");
  QTest::keyClick(window.ZurGrid, 'm');
  EXPECT_EQ(f.currentName(), "Zed");
  EXPECT_TRUE(f.dialogs.boxes().empty());
}

TEST(MainWindow, WordWrapFollowsTheMemosOwnState) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  QTest::mouseClick(window.WrapButton, Qt::LeftButton);
  EXPECT_FALSE(window.DBMemo1->wordWrap());
  EXPECT_FALSE(window.WrapButton->isChecked());
  EXPECT_EQ(window.DBMemo1->palette().color(QPalette::Base), QColor(Qt::yellow));
  EXPECT_EQ(window.DBMemo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window.DBMemo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  // The memo decides: set back behind the check box's back, the next click
  // turns wrapping off again whatever the tick says.
  window.DBMemo1->setWordWrap(true);
  QTest::mouseClick(window.WrapButton, Qt::LeftButton);
  EXPECT_FALSE(window.DBMemo1->wordWrap());

  QTest::mouseClick(window.WrapButton, Qt::LeftButton);
  EXPECT_TRUE(window.DBMemo1->wordWrap());
  EXPECT_EQ(window.DBMemo1->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(window.DBMemo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(MainWindow, FocusGoesToTheGridAfterTheMemoAndWordWrap) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  window.activateWindow();
  window.DBMemo1->setFocus(Qt::MouseFocusReason);
  window.WrapButton->setFocus(Qt::OtherFocusReason);  // leaving the memo
  EXPECT_TRUE(window.ZurGrid->hasFocus());
  window.DBMemo1->setFocus(Qt::MouseFocusReason);
  window.WrapButton->setFocus(Qt::TabFocusReason);  // Tab moves on
  EXPECT_TRUE(window.WrapButton->hasFocus());
  window.DBMemo1->setFocus(Qt::MouseFocusReason);
  QTest::mouseClick(window.WrapButton, Qt::LeftButton);
  EXPECT_TRUE(window.ZurGrid->hasFocus());
}

TEST(MainWindow, HelpAndStoreLinksGoToTheDesktopShell) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  QTest::mouseClick(window.HelpSpeed, Qt::LeftButton);
  ASSERT_EQ(f.shell.requests().size(), 1u);
  EXPECT_EQ(f.shell.requests()[0].target, platform::mainHelpPageAddress());
  EXPECT_EQ(f.shell.requests()[0].showState, platform::ShowState::Normal);

  QTest::mouseClick(window.Shop->item(10), Qt::LeftButton);
  ASSERT_EQ(f.shell.requests().size(), 2u);
  EXPECT_EQ(f.shell.requests()[1].target, shop::storeLinkAddress(10));
  EXPECT_TRUE(f.shell.requests()[1].parameters.isEmpty());
  EXPECT_TRUE(f.shell.requests()[1].verb.isEmpty());
  EXPECT_EQ(window.Shop->itemIndex(), 10);
}

// The chosen store link's mark stands out, in the group's own maroon and in
// a high-contrast palette alike: a light disc, with a dark dot when chosen.
TEST(MainWindow, CheckedStoreLinkMarkIsClearlyVisible) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  QAbstractButton* chosen = window.Shop->item(3);
  QAbstractButton* other = window.Shop->item(4);
  chosen->setChecked(true);
  const auto markCentre = [](QAbstractButton* radio) {
    QStyleOptionButton option;
    option.initFrom(radio);
    const QRect mark = radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio);
    return qGray(radio->grab().toImage().pixel(mark.center()));
  };
  QPalette highContrast;
  for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) highContrast.setColor(role, Qt::black);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) highContrast.setColor(role, Qt::white);
  for (const QPalette& palette : {window.Shop->palette(), highContrast}) {
    for (QAbstractButton* radio : {chosen, other}) radio->setPalette(palette);
    EXPECT_GT(markCentre(other), 200);
    EXPECT_LT(markCentre(chosen), 60);
  }
}

// The main window and every dialog carry the program's icon.
TEST(MainWindow, WindowsAndDialogsCarryTheProgramIcon) {
  app::installProgramIcon();
  WindowFixture f;
  app::TRuViv& window = f.start();
  QMessageBox box;
  for (QWidget* shown : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&box)}) {
    const QIcon icon = shown->windowIcon();
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixmap(32).toImage(), app::programIcon().pixmap(32).toImage());
  }
  EXPECT_GE(app::programIcon().availableSizes().size(), 4);
  QApplication::setWindowIcon(QIcon());
}

// The table cut in the middle of its last record under an index that still
// names it: the grid shows the table in the order entered, the repair is
// offered once, and it keeps the whole entries (the cut one goes to a side
// file) and brings the alphabetical order back.
TEST(MainWindow, IndexThatDisagreesWithTheTableIsRepairedOnRequest) {
  WindowFixture f;
  f.seed({"Charlie", "Alpha", "Bravo"});
  QFile dbf(f.work.filePath("ADDRESS.DBF"));
  ASSERT_TRUE(dbf.resize(dbf.size() - 10));
  f.dialogs.queueAnswer(true);
  app::TRuViv& window = f.start();
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  ASSERT_EQ(f.dialogs.boxes().size(), 1u);
  EXPECT_EQ(f.dialogs.boxes()[0].text, app::kIndexRepairQuestion);
  EXPECT_EQ(window.ZurGrid->visibleTexts(), QStringList({"Alpha", "Charlie"}));
  EXPECT_EQ(f.table().indexName().toUpper(), "ADDRESS");
  EXPECT_TRUE(window.ButtonNatural->isVisibleTo(&window));
  EXPECT_TRUE(QFileInfo::exists(f.work.filePath("ADDRESS.DBF.partial")));
}

TEST(MainWindow, DeleteAsksFirst) {
  WindowFixture f;
  f.seed({"Alpha", "Bravo"});
  app::TRuViv& window = f.start();
  f.dialogs.queueAnswer(false);
  window.DBNavigator1->press(DbNavigator::Delete);
  ASSERT_EQ(f.dialogs.boxes().size(), 1u);
  EXPECT_EQ(f.dialogs.boxes()[0].title, "Confirm");
  EXPECT_EQ(f.dialogs.boxes()[0].text, "Delete record?");
  EXPECT_EQ(f.dialogs.boxes()[0].buttons, QStringList({"OK", "Cancel"}));
  EXPECT_EQ(f.dm->entryCount(), 2);

  f.dialogs.queueAnswer(true);
  window.DBNavigator1->press(DbNavigator::Delete);
  EXPECT_EQ(f.dm->entryCount(), 1);
  EXPECT_EQ(window.ZurGrid->visibleTexts(), QStringList({"Bravo"}));

  f.dialogs.queueAnswer(true);
  window.ZurGrid->setFocus();
  QTest::keyClick(window.ZurGrid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(f.dialogs.boxes().back().text, "Delete record?");
  EXPECT_EQ(f.dm->entryCount(), 0);
  EXPECT_TRUE(window.ZurGrid->visibleTexts().isEmpty());
}

}  // namespace
