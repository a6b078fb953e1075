// The platform seams: what the freedesktop shell takes for a URL, the
// program folder override, the real message boxes' titles and buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <QTimer>

#include "platform/clock.h"
#include "platform/qt/freedesktop_shell.h"
#include "platform/program_folder.h"
#include "platform/qt/progress_long_work.h"
#include "platform/qt/qt_dialogs.h"

namespace {

TEST(FreedesktopShell, TellsUrlsFromProgramsAndDriveLetters) {
  EXPECT_TRUE(platform::qt::looksLikeUrl("https://example.com/a?b=c"));
  EXPECT_TRUE(platform::qt::looksLikeUrl("mailto:someone@example.com"));
  EXPECT_TRUE(platform::qt::looksLikeUrl("tel:+15550100"));
  EXPECT_FALSE(platform::qt::looksLikeUrl("iexplore.exe"));
  EXPECT_FALSE(platform::qt::looksLikeUrl("C:\\Program Files\\x.exe"));
  EXPECT_FALSE(platform::qt::looksLikeUrl(""));
}

// The shell hands each address to xdg-open exactly as given: no URL class
// re-encodes it on the way (a percent-escaped underscore stays escaped).
TEST(FreedesktopShell, HandsTheExactAddressToTheDesktop) {
  QStringList started;
  platform::qt::FreedesktopShell shell([&](const QString& program, const QStringList& arguments) {
    started << program + " " + arguments.join('|');
    return true;
  });
  // A URL target, a mail target with the "open" verb, and a Windows browser
  // program given the address as its parameter.
  EXPECT_TRUE(shell.open("https://example.com/a?x=1", {}, {}, platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("mailto:a@example.com?bcc=b@example.com", {}, "open", platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("iexplore.exe", "https://example.com/b", {}, platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("https://shop.example/dp/B1/ref=nosim/?%5Fencoding=UTF8&tag=t", {}, {},
                         platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("https://example.com/x?p=a%2Fb%20c", {}, {}, platform::ShowState::Normal));
  EXPECT_EQ(started, (QStringList{"xdg-open https://example.com/a?x=1", "xdg-open mailto:a@example.com?bcc=b@example.com",
                                  "xdg-open https://example.com/b",
                                  "xdg-open https://shop.example/dp/B1/ref=nosim/?%5Fencoding=UTF8&tag=t",
                                  "xdg-open https://example.com/x?p=a%2Fb%20c"}));
  EXPECT_FALSE(shell.open("", {}, {}, platform::ShowState::Normal));
}

// Long work runs off the user-interface thread: the event loop goes on (a
// timer keeps firing), after half a second the step shows with a busy bar,
// and a failure comes back to the caller; no installed one runs it in place.
TEST(ProgressLongWork, ShowsTheStepWhileTheEventLoopGoesOn) {
  platform::qt::ProgressLongWork longWork;
  const std::thread::id uiThread = std::this_thread::get_id();
  std::thread::id workThread = uiThread;
  int ticks = 0;
  QString shownStep;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++ticks;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QProgressDialog*>(top); dialog && dialog->isVisible())
        shownStep = dialog->labelText() + QString(" %1-%2").arg(dialog->minimum()).arg(dialog->maximum());
  });
  ticker.start(50);
  longWork.run("Packing", [&] {
    workThread = std::this_thread::get_id();
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
  });
  EXPECT_NE(workThread, uiThread);
  EXPECT_GE(ticks, 8);
  EXPECT_EQ(shownStep, "Packing 0-0");
  EXPECT_THROW(longWork.run("Failing", [] { throw std::runtime_error("disk full"); }), std::runtime_error);

  platform::runLongWork("In place", [&] { workThread = std::this_thread::get_id(); });
  EXPECT_EQ(workThread, uiThread);
}

TEST(ProgramFolder, OverrideAndReset) {
  platform::ProgramFolder::setPath("/tmp/somewhere/");
  EXPECT_EQ(platform::ProgramFolder::filePath("KTdata.zip"), "/tmp/somewhere/KTdata.zip");
  platform::ProgramFolder::setPath({});
  EXPECT_EQ(platform::ProgramFolder::path(), QCoreApplication::applicationDirPath());
}

TEST(Clock, FixedDateAndBack) {
  platform::Clock::setToday(QDate(2026, 3, 7));
  EXPECT_EQ(platform::Clock::today(), QDate(2026, 3, 7));
  platform::Clock::setToday(QDate());
  EXPECT_EQ(platform::Clock::today(), QDate::currentDate());
}

// Shows one box through QtDialogs, records its title and button texts and
// presses the button with `press` in its text.
struct ShownBox {
  QString title;
  QStringList buttons;
};

template <typename Show>
ShownBox pressWhenShown(const QString& press, Show show) {
  ShownBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen.title = box->windowTitle();
    for (QAbstractButton* button : box->buttons()) {
      seen.buttons << button->text().remove('&');
      if (button->text().remove('&') == press) button->click();
    }
  });
  show();
  return seen;
}

TEST(QtDialogs, TitlesButtonsAndAnswers) {
  platform::qt::QtDialogs dialogs;
  bool answer = false;
  ShownBox box = pressWhenShown("OK", [&] { dialogs.message("text"); });
  EXPECT_EQ(box.title, "Kestrane Cardlark");
  box = pressWhenShown("OK", [&] { dialogs.warning("text"); });
  EXPECT_EQ(box.title, "Warning");
  box = pressWhenShown("Cancel", [&] { answer = dialogs.confirm("text"); });
  EXPECT_EQ(box.title, "Confirm");
  EXPECT_EQ(box.buttons.size(), 2);
  EXPECT_FALSE(answer);
  box = pressWhenShown("Yes", [&] { answer = dialogs.askYesNo("text"); });
  EXPECT_TRUE(box.buttons.contains("No"));
  EXPECT_TRUE(answer);
}

}  // namespace

