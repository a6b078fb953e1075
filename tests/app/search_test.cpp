// The search through the window: the prompt, name-only and name-and-memo
// searches, no match, cancel, ending the search, the pass off the window's
// thread and its Cancel, and the information window opened by a double click.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

#include "cancelled_long_work.h"
#include "platform/qt/progress_long_work.h"
#include "search/info_window.h"
#include "window_fixture.h"

namespace {

using app_testing::WindowFixture;

struct SearchWindow : WindowFixture {
  SearchWindow() {
    work.createAddressTable();
    work.appendEntry("Smith", "Phone: 555-0100");
    work.appendEntry("Osmium Ltd", "");
    work.appendEntry("Jones", "met Mr. smith at the fair");
    work.appendEntry("Brown", QString("nothing") + QChar(0) + "smith after a zero byte");
    start();
  }

  // Presses FindSpeed; the prompt gets `typed` and is closed with OK or
  // Cancel. Returns the prompt's caption as it was shown.
  QString find(const QString& typed, bool includeMemo, bool ok = true) {
    QString caption;
    QTimer::singleShot(0, [&] {
      caption = chooser->windowTitle();
      EXPECT_TRUE(chooser->CheckAll->isChecked());
      EXPECT_FALSE(chooser->ComboBox1->isVisible());
      chooser->Edit1->setText(typed);
      chooser->CheckAll->setChecked(includeMemo);
      ok ? chooser->OKBtnClick() : chooser->CancelBtnClick();
    });
    window->FindSpeed->click();
    return caption;
  }

  QStringList names() {
    QStringList shown;
    for (table().first(); !table().eof(); table().next()) shown << currentName();
    return shown;
  }
};

TEST(Search, ThePromptAndBothKindsOfSearch) {
  SearchWindow w;
  EXPECT_EQ(w.find("smi", false), "Search for entries containing:");
  EXPECT_EQ(w.chooser->CheckAll->text(), "include Memo field");
  EXPECT_EQ(w.chooser->CheckAll->toolTip(), "Search both Name & Memo fields?");
  EXPECT_EQ(w.names(), (QStringList{"Osmium Ltd", "Smith"}));
  EXPECT_TRUE(w.window->NoFilterSpeed->isEnabled());
  EXPECT_FALSE(w.dm->tblFilter.isActive());

  w.find("SMI", true);  // replaces the search in force; the memo up to a zero byte
  EXPECT_EQ(w.names(), (QStringList{"Jones", "Osmium Ltd", "Smith"}));
  EXPECT_FALSE(w.dm->tblFilter.isActive());  // the marks decide, no memo is read again
  EXPECT_TRUE(w.window->ZurGrid->isEnabled());
  EXPECT_EQ(w.window->ZurGrid->dataSource(), &w.dm->dsAddress);
  EXPECT_TRUE(w.window->ZurGrid->updatesEnabled());

  w.find("jon", false, false);  // Cancel
  w.find("", true);             // OK with nothing typed
  EXPECT_EQ(w.names(), (QStringList{"Jones", "Osmium Ltd", "Smith"}));
  EXPECT_TRUE(w.dialogs.boxes().empty());

  w.window->NoFilterSpeed->click();
  EXPECT_EQ(w.names().size(), 4);
  EXPECT_FALSE(w.window->NoFilterSpeed->isEnabled());
  EXPECT_FALSE(w.dm->tblFilter.isActive());
  EXPECT_EQ(w.dm->search().text(), "SMI");  // kept for the information window's find
}

TEST(Search, NoMatchEndsTheSearchWithAMessage) {
  SearchWindow w;
  w.find("smi", false);
  // A long text with every kind of quote, brackets and bytes from 128 on.
  const QString odd = QString(500, '"') + "'[]" + QString::fromUtf8("\u00e9\u20ac") + QString(495, 'x');
  for (const QString& typed : {QString("zzz"), odd}) {
    for (const bool includeMemo : {false, true}) {
      w.dialogs.clear();
      w.find(typed, includeMemo);
      EXPECT_EQ(w.dialogs.texts(), QStringList{"Sorry, no records match"});
      EXPECT_FALSE(w.table().filtered());
      EXPECT_EQ(w.names().size(), 4);
      EXPECT_TRUE(w.window->NoFilterSpeed->isEnabled());  // keeps its state
    }
  }
}

// The program's long work, installed for its lifetime, with the work held
// back until a timer started with it has fired: the window's event loop
// must run while the search's pass is under way.
class TimerGatedLongWork final : public platform::LongWork {
 public:
  TimerGatedLongWork() : previous_(platform::setLongWork(this)) {}
  ~TimerGatedLongWork() override { platform::setLongWork(previous_); }
  void run(const QString& step, const std::function<void()>& work) override { real_.run(step, work); }
  void runWithProgress(const QString& step, const std::function<void(const Progress&)>& work) override {
    real_.runWithProgress(step, work);
  }
  void runStoppable(const QString& step, const Stoppable& work) override {
    QTimer::singleShot(0, [this] { fired = true; });
    real_.runStoppable(step, [&](const std::atomic<bool>& stop) {
      workThread = std::this_thread::get_id();
      for (int i = 0; i < 10000 && !fired; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      work(stop);
    });
  }
  std::atomic<bool> fired{false};
  std::thread::id workThread;

 private:
  platform::qt::ProgressLongWork real_;
  platform::LongWork* previous_;
};

// A memo search marks what it finds in one pass off the window's thread: a
// match only at the end of the name order, the count the information window
// takes from the marks, an entry stored meanwhile tested again.
TEST(Search, TheMemoPassRunsOffTheWindowThreadAndItsMarksDecide) {
  SearchWindow w;
  {
    TimerGatedLongWork longWork;
    w.find("0100", true);
    EXPECT_TRUE(longWork.fired);
    EXPECT_NE(longWork.workThread, std::this_thread::get_id());
  }
  EXPECT_EQ(w.names(), QStringList{"Smith"});
  EXPECT_TRUE(w.dialogs.boxes().empty());
  search::TInfo info(*w.dm, w.window.get());
  info.FormShow();
  EXPECT_EQ(info.FilterLabel->text(), "1");

  w.table().append();
  w.table().setText("Name", "Adams");
  w.table().setText("Info", "call 555-0100");
  ASSERT_TRUE(w.table().post());
  EXPECT_EQ(w.names(), (QStringList{"Adams", "Smith"}));
  info.FormShow();
  EXPECT_EQ(info.FilterLabel->text(), "2");
}

// The search before decides what the window shows while the pass runs;
// Cancel leaves no search in force, not even that one.
TEST(Search, CancellingThePassLeavesNoFilter) {
  SearchWindow w;
  w.find("smi", true);
  ASSERT_TRUE(w.table().filtered());
  testsupport::CancelledLongWork cancelling;
  QStringList meanwhile;
  cancelling.meanwhile = [&] { meanwhile = w.names(); };
  w.find("jon", true);
  EXPECT_EQ(meanwhile, (QStringList{"Jones", "Osmium Ltd", "Smith"}));
  EXPECT_FALSE(w.table().filtered());
  EXPECT_FALSE(w.window->NoFilterSpeed->isEnabled());
  EXPECT_EQ(w.dm->search().marks(), nullptr);
  EXPECT_EQ(w.names().size(), 4);
  EXPECT_TRUE(w.dialogs.boxes().empty());
}

TEST(Search, DoubleClickOpensTheInformationWindowMirroringAnUnwrappedMemo) {
  SearchWindow w;
  for (const bool wrap : {true, false}) {
    if (!wrap) w.window->WrapButton->click();
    bool shown = false;
    QTimer::singleShot(0, [&] {
      auto* info = qobject_cast<search::TInfo*>(QApplication::activeModalWidget());
      ASSERT_NE(info, nullptr);
      shown = true;
      EXPECT_EQ(info->Memo1->wordWrap(), wrap);
      EXPECT_EQ(info->Memo1->palette().color(QPalette::Base) == QColor(Qt::yellow), !wrap);
      info->CloseButton->click();
    });
    QTest::mouseDClick(w.window->ZurGrid->viewport(), Qt::LeftButton, {}, QPoint(20, 25));
    EXPECT_TRUE(shown);
    EXPECT_EQ(w.window->findChildren<search::TInfo*>().size(), 0);  // destroyed after closing
  }
}

}  // namespace
