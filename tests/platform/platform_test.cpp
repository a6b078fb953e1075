// The platform seams: what the freedesktop shell takes for a URL, the
// program folder override, the real message boxes' titles and buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "book/clock.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "platform/qt/freedesktop_shell.h"
#include "platform/qt/freedesktop_telephony.h"
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
  // Exactly as given: no tidying of case, dots or escapes; no scheme: http.
  EXPECT_TRUE(shell.open("mailto:?bcc=A@b.com,,x@Y.com", {}, "open", platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("iexplore.exe", "WWW.Example.COM/a/../%7euser", {}, platform::ShowState::Normal));
  EXPECT_FALSE(shell.open("iexplore.exe", "", {}, platform::ShowState::Normal));
  EXPECT_TRUE(
      shell.open("https://shop.example/dp/B1/ref=nosim/?%5Fencoding=UTF8&tag=t", {}, {}, platform::ShowState::Normal));
  EXPECT_TRUE(shell.open("https://example.com/x?p=a%2Fb%20c", {}, {}, platform::ShowState::Normal));
  EXPECT_EQ(started,
            (QStringList{"xdg-open https://example.com/a?x=1", "xdg-open mailto:a@example.com?bcc=b@example.com",
                         "xdg-open https://example.com/b", "xdg-open mailto:?bcc=A@b.com,,x@Y.com",
                         "xdg-open http://WWW.Example.COM/a/../%7euser",
                         "xdg-open https://shop.example/dp/B1/ref=nosim/?%5Fencoding=UTF8&tag=t",
                         "xdg-open https://example.com/x?p=a%2Fb%20c"}));
  EXPECT_FALSE(shell.open("", {}, {}, platform::ShowState::Normal));
}

// The tel: handler is looked up in the freedesktop folders named by the
// environment; these point them at a temporary folder for one test.
class XdgFolders {
 public:
  XdgFolders() {
    for (const char* name : kNames) saved_ << qgetenv(name);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath("none")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.filePath("none")));
    qputenv("DISPLAY", ":99");  // xdg-open looks for scheme handlers only on a display
    qunsetenv("XDG_CURRENT_DESKTOP");
  }
  ~XdgFolders() {
    for (int i = 0; i < saved_.size(); ++i) {
      if (saved_[i].isNull())
        qunsetenv(kNames[i]);
      else
        qputenv(kNames[i], saved_[i]);
    }
  }
  // Registers a tel: handler that writes the address it gets to `called`
  // and ends with `exitStatus`.
  void registerHandler(int exitStatus = 0) {
    QDir().mkpath(dir.filePath("data/applications"));
    QDir().mkpath(dir.filePath("config"));
    write("dial.sh",
          "#!/bin/sh\necho \"$1\" > " + dir.filePath("called") + "\nexit " + QString::number(exitStatus) + "\n");
    QFile::setPermissions(dir.filePath("dial.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    write("data/applications/testdial.desktop", "[Desktop Entry]\nType=Application\nName=Dial\nExec=" +
                                                    dir.filePath("dial.sh") + " %u\nMimeType=x-scheme-handler/tel;\n");
    write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/tel=testdial.desktop\n");
  }
  void write(const QString& name, const QString& text) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
  }

  QTemporaryDir dir;

 private:
  static constexpr const char* kNames[] = {"XDG_DATA_HOME",   "XDG_CONFIG_HOME", "XDG_DATA_DIRS",
                                           "XDG_CONFIG_DIRS", "DISPLAY",         "XDG_CURRENT_DESKTOP"};
  QList<QByteArray> saved_;
};

TEST(FreedesktopTelephony, TelAddressGoesToTheRegisteredHandler) {
  EXPECT_EQ(platform::qt::telAddress("+1 (206) 555-1234#9"), "tel:+1%20(206)%20555-1234%239");
  XdgFolders xdg;
  platform::qt::FreedesktopTelephony telephony;
  EXPECT_FALSE(telephony.load());  // nothing registered: cannot be loaded
  EXPECT_FALSE(telephony.findRequest());
  xdg.registerHandler();
  ASSERT_TRUE(telephony.load());
  ASSERT_TRUE(telephony.findRequest());
  EXPECT_EQ(telephony.requestMakeCall("555-1234", "", "Pizza", ""), 0);
  QFile called(xdg.dir.filePath("called"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return called.size() > 0; }, 10000));
  ASSERT_TRUE(called.open(QIODevice::ReadOnly));
  EXPECT_EQ(called.readAll().trimmed(), "tel:555-1234");
  telephony.release();
  EXPECT_EQ(telephony.requestMakeCall("555-1234", "", "Pizza", ""), -1);
}

// The handler runs as the program's child: a non-zero exit status reaches
// the failure handler (a zero one does not), and the Exec line's field codes
// give the address its place.
TEST(FreedesktopTelephony, AFailingHandlerIsToldWithItsExitStatus) {
  EXPECT_EQ(platform::qt::handlerCommand("dial --call=%u %i %c \"a b\" 100%%", "tel:1"),
            QStringList({"dial", "--call=%u", "a b", "100%", "tel:1"}));
  EXPECT_EQ(platform::qt::handlerCommand("dial %U", "tel:1"), QStringList({"dial", "tel:1"}));
  EXPECT_TRUE(platform::qt::handlerCommand("", "tel:1").isEmpty());

  XdgFolders xdg;
  xdg.registerHandler(3);
  platform::qt::FreedesktopTelephony telephony;
  QList<int> told;
  telephony.onFailure([&](int status) { told << status; });
  ASSERT_TRUE(telephony.load());
  EXPECT_EQ(telephony.requestMakeCall("555-1234", "", "Pizza", ""), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !told.isEmpty(); }, 10000));
  EXPECT_EQ(told, QList<int>{3});
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

// Work the user may stop: a busy cursor from the start, the dialog's Cancel
// (clickable once the dialog shows) raises the flag the work looks at; with
// none installed the flag stays down.
TEST(ProgressLongWork, CancelStopsStoppableWork) {
  platform::qt::ProgressLongWork longWork;
  bool busy = false;
  QTimer canceller;
  QObject::connect(&canceller, &QTimer::timeout, [&] {
    busy = busy || (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QProgressDialog*>(top); dialog && dialog->isVisible())
        if (auto* cancel = dialog->findChild<QPushButton*>()) QTest::mouseClick(cancel, Qt::LeftButton);
  });
  canceller.start(50);
  bool stopped = false;
  longWork.runStoppable("Searching", [&](const std::atomic<bool>& stop) {
    for (int i = 0; i < 10000 && !stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stopped = stop;
  });
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(busy);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  platform::runStoppableLongWork("In place", [&](const std::atomic<bool>& stop) { stopped = stop; });
  EXPECT_FALSE(stopped);
}

// Work that tells its progress runs in place under the dialog, which shows
// "<step>: N of M" and a bar of M; with none installed the progress is dropped.
TEST(ProgressLongWork, ShowsTheProgressItIsTold) {
  platform::qt::ProgressLongWork longWork;
  QStringList shown;
  longWork.runWithProgress("Synchronizing", [&](const platform::LongWork::Progress& progress) {
    progress("Receiving cards", 3, 10);
    QProgressDialog* dialog = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* candidate = qobject_cast<QProgressDialog*>(top)) dialog = candidate;
    ASSERT_NE(dialog, nullptr);
    shown << dialog->labelText() + QString(" %1/%2").arg(dialog->value()).arg(dialog->maximum());
  });
  EXPECT_EQ(shown, QStringList{"Receiving cards: 3 of 10 3/10"});
  int calls = 0;
  platform::runLongWorkWithProgress("In place", [&](const platform::LongWork::Progress& progress) {
    progress("Sending cards", 1, 1);
    ++calls;
  });
  EXPECT_EQ(calls, 1);
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
  EXPECT_EQ(platform::Clock::today().toString("yyyyMMdd").toStdString(), book::today());  // the book's clock again
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

// A text question gives what was typed, or nothing when cancelled; hidden
// text is typed into a password edit.
TEST(QtDialogs, TextQuestions) {
  platform::qt::QtDialogs dialogs;
  using Echo = platform::Dialogs::Echo;
  for (const auto& [echo, accept, mode] :
       {std::tuple{Echo::Normal, true, QLineEdit::Normal}, std::tuple{Echo::Hidden, true, QLineEdit::Password},
        std::tuple{Echo::Hidden, false, QLineEdit::Password}}) {
    QString title;
    QLineEdit::EchoMode seenMode = QLineEdit::NoEcho;
    QTimer::singleShot(0, [&, accept = accept] {
      auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      if (!input) return;
      title = input->windowTitle();
      seenMode = input->textEchoMode();
      input->setTextValue("typed");
      accept ? input->accept() : input->reject();
    });
    const std::optional<QString> typed = dialogs.askText("Synchronize", "User name:", echo);
    EXPECT_EQ(title, "Synchronize");
    EXPECT_EQ(seenMode, mode);
    EXPECT_EQ(typed, accept ? std::optional<QString>("typed") : std::nullopt);
  }
}

}  // namespace
