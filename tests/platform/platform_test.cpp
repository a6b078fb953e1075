// The platform seams: what the freedesktop shell takes for a URL, the
// program folder override, the real message boxes' titles and buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/clock.h"
#include "platform/qt/freedesktop_shell.h"
#include "platform/program_folder.h"
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

TEST(FreedesktopShell, HandsUrlsToTheRegisteredHandlerExactly) {
  QStringList urls;
  platform::qt::FreedesktopShell shell([&](const QString& url) {
    urls << url;
    return true;
  });
  // A URL target, a mail target with the "open" verb, and a Windows browser
  // program given the address as its parameter.
  EXPECT_TRUE(shell.open("https://example.com/a?x=1", {}, {}, platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("mailto:a@example.com?bcc=b@example.com", {}, "open", platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("iexplore.exe", "https://example.com/b", {}, platform::ShowState::Normal));
  // Exactly as given: no tidying of case, dots or escapes; no scheme: http.
  EXPECT_TRUE(shell.open("mailto:?bcc=A@b.com,,x@Y.com", {}, "open", platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("iexplore.exe", "WWW.Example.COM/a/../%7euser", {}, platform::ShowState::Normal));
  EXPECT_FALSE(shell.open("iexplore.exe", "", {}, platform::ShowState::Normal));
  EXPECT_EQ(urls, (QStringList{"https://example.com/a?x=1", "mailto:a@example.com?bcc=b@example.com",
                               "https://example.com/b", "mailto:?bcc=A@b.com,,x@Y.com",
                               "http://WWW.Example.COM/a/../%7euser"}));
  EXPECT_FALSE(shell.open("", {}, {}, platform::ShowState::Normal));
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

