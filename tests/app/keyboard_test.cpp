// The main window from the keyboard alone: every toolbar and navigator
// command has a key named in its hints and a name for screen readers, Tab
// goes through every control, and a walk with key events only (no mouse
// event at all) searches, adds an entry with its memo, dials, mails,
// reports to a file and backs up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "fake_telephony.h"
#include "platform/program_folder.h"
#include "widgets/key_hints.h"
#include "window_fixture.h"

namespace {

using widgets::DbNavigator;

struct KeyboardFixture : app_testing::WindowFixture {
  testsupport::FakeTelephony telephony;

  app::TRuViv& startActive() {
    seed({"Adams", "Baker", "Dunn"});
    app::TRuViv& w = start();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    return w;
  }

  static QWidget* focus() { return QApplication::focusWidget(); }
  // Makes `w` the active window (a dialog's window counts as its owner's
  // while it keeps the focus, so waiting for the owner to be active is not enough).
  static void activate(QWidget* w) {
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
  }
  // A key in the main window.
  void key(const QKeySequence& keys) {
    activate(window.get());
    QTest::keySequence(focus(), keys);
  }
  static void type(const QString& text) {
    QTest::keyClicks(focus(), text);
    QTest::keyClick(focus(), Qt::Key_Return);
  }
  // Once `find` answers a window, makes it active and hands it to `act`
  // (checked from the event loop, so it also works inside a modal dialog's).
  static void whenUp(const std::function<QWidget*()>& find, const std::function<void(QWidget*)>& act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, find, act] {
      QWidget* up = find();
      if (up == nullptr || !up->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      activate(up);
      act(up);
    });
    poll->start(10);
  }
  static void inDialog(const std::function<void()>& act) {
    whenUp([] { return QApplication::activeModalWidget(); }, [act](QWidget*) { act(); });
  }
};

TEST(Keyboard, EveryCommandHasAKeyANameAndATabStop) {
  KeyboardFixture f;
  app::TRuViv& w = f.startActive();
  QList<QAbstractButton*> commands{w.SpeedPhone, w.email,    w.URL,        w.FindSpeed, w.NoFilterSpeed, w.ClipSpeed,
                                   w.InfoSpeed,  w.buttonRW, w.ToolsSpeed, w.HelpSpeed, w.ButtonNatural, w.ButtonAlpha};
  for (int i = 0; i < DbNavigator::ButtonCount; ++i) commands << w.DBNavigator1->button(DbNavigator::Button(i));
  for (QAbstractButton* button : commands) {
    SCOPED_TRACE(button->objectName().toStdString());
    const QString hint = widgets::hintOf(button);
    const QString bound = widgets::keysOf(button);
    EXPECT_FALSE(bound.isEmpty());
    const QString described = hint + " (" + bound + ")";
    EXPECT_EQ(QStringList({button->toolTip(), button->statusTip(), button->accessibleDescription()}),
              QStringList({described, described, described}));
    EXPECT_TRUE(button->whatsThis().contains(bound));
    EXPECT_EQ(button->accessibleName(), hint);
  }
  for (QWidget* c : QList<QWidget*>{w.ZurGrid, w.DBMemo1, w.WrapButton})
    EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();

  // Tab from the grid: memo, the navigator's enabled buttons, Word Wrap, the
  // store links, the toolbar's enabled buttons, and round to the grid.
  QList<QWidget*> stops;
  w.ZurGrid->setFocus(Qt::OtherFocusReason);
  for (int i = 0; i < 60 && (stops.isEmpty() || f.focus() != w.ZurGrid); ++i) {
    QTest::keyClick(f.focus(), Qt::Key_Tab);
    stops << f.focus();
  }
  ASSERT_EQ(stops.back(), w.ZurGrid);
  const auto at = [&](QWidget* c) { return stops.indexOf(c); };
  EXPECT_EQ(at(w.DBMemo1), 0);
  EXPECT_LT(at(w.DBMemo1), at(w.DBNavigator1->button(DbNavigator::Next)));
  EXPECT_LT(at(w.DBNavigator1->button(DbNavigator::Edit)), at(w.WrapButton));
  EXPECT_LT(at(w.WrapButton), at(w.SpeedPhone));
  for (QWidget* button : {w.SpeedPhone, w.FindSpeed, w.InfoSpeed, w.ButtonNatural, w.buttonRW, w.HelpSpeed})
    EXPECT_GE(at(button), 0) << button->objectName().toStdString();
  EXPECT_LT(at(w.SpeedPhone), at(w.HelpSpeed));
}

TEST(Keyboard, AWalkWithoutTheMouse) {
  KeyboardFixture f;
  QTemporaryDir programFolder;
  platform::ProgramFolder::setPath(programFolder.path());
  const QString previous = QDir::currentPath();
  const auto restore = qScopeGuard([&] {
    platform::ProgramFolder::setPath({});
    QDir::setCurrent(previous);
  });
  app::TRuViv& w = f.startActive();
  struct MouseCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      count += e->type() >= QEvent::MouseButtonPress && e->type() <= QEvent::MouseMove;
      return false;
    }
  } mouse;
  qApp->installEventFilter(&mouse);

  // Search in the names; F3 goes to the next match, Esc ends the search.
  f.inDialog([] { KeyboardFixture::type("a"); });
  f.key(QKeySequence::Find);
  EXPECT_TRUE(w.NoFilterSpeed->isEnabled());
  EXPECT_EQ(f.currentName(), "Adams");
  f.key(Qt::Key_F3);
  EXPECT_EQ(f.currentName(), "Baker");
  f.key(Qt::Key_Escape);
  EXPECT_FALSE(w.NoFilterSpeed->isEnabled());

  // A new entry, its memo, posted.
  f.key(Qt::Key_Insert);
  ASSERT_EQ(f.table().state(), store::DatasetState::Insert);
  QTest::keyClicks(f.focus(), "Cole");
  QTest::keyClick(f.focus(), Qt::Key_Tab);
  ASSERT_EQ(f.focus(), w.DBMemo1);
  QTest::keyClicks(f.focus(), "call 555-0100");
  f.key(QKeySequence(Qt::CTRL | Qt::Key_Return));
  EXPECT_EQ(f.table().state(), store::DatasetState::Browse);
  EXPECT_EQ(f.currentName(), "Cole");
  EXPECT_EQ(f.table().text("Info"), "call 555-0100");

  // Dial its number, mail a typed address (not stored).
  f.inDialog([] { QTest::keyClick(KeyboardFixture::focus(), Qt::Key_Return); });
  f.key(QKeySequence(Qt::CTRL | Qt::Key_D));
  ASSERT_EQ(f.telephony.requests.size(), 1U);
  EXPECT_EQ(f.telephony.requests[0].destination, "555-0100");
  f.dialogs.queueAnswer(false);
  f.inDialog([] { KeyboardFixture::type("cole@example.org"); });
  f.key(QKeySequence(Qt::CTRL | Qt::Key_M));
  ASSERT_FALSE(f.shell.requests().empty());
  EXPECT_EQ(f.shell.requests().back().target, "mailto:cole@example.org");

  // Report Writer with its defaults, saved from the preview (typed into an
  // empty folder, so no completion pops up), which then closes.
  QDir::setCurrent(programFolder.path());
  f.inDialog([&] {
    f.whenUp(
        [] {
          for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "ReportPreview") return top;
          return static_cast<QWidget*>(nullptr);
        },
        [&](QWidget* preview) {
          f.inDialog([] { KeyboardFixture::type("walk.clr"); });
          QTest::keySequence(preview, QKeySequence::Save);
          KeyboardFixture::activate(preview);
          QTest::keyClick(KeyboardFixture::focus(), Qt::Key_C, Qt::AltModifier);
        });
    QTest::keyClick(KeyboardFixture::focus(), Qt::Key_Return);
  });
  f.key(QKeySequence::Print);
  EXPECT_GT(QFileInfo(QDir(programFolder.path()).filePath("walk.clr")).size(), 0);

  // Maintenance, with the backup.
  f.dialogs.clear();
  f.dialogs.queueAnswer(true);
  f.key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
  ASSERT_EQ(f.dialogs.texts().size(), 2);
  EXPECT_TRUE(f.dialogs.texts()[1].contains("KTdata.zip"));
  EXPECT_TRUE(QFileInfo::exists(QDir(programFolder.path()).filePath("KTdata.zip")));

  qApp->removeEventFilter(&mouse);
  EXPECT_EQ(mouse.count, 0);
}

}  // namespace
