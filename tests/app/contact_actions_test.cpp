// The contact actions end to end in the main window: the chooser's list,
// the exact requests to the telephony service and the desktop shell, the
// add-to-record question with the stored memo line, and the clipboard.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <functional>

#include "contact/chooser_dialog.h"
#include "contact/contact_actions.h"
#include "contact/phone_dialer.h"
#include "fake_telephony.h"
#include "widgets/text_guard.h"
#include "window_fixture.h"

namespace {

using contact::TBtnBottomDlg;

struct ActionsFixture : app_testing::WindowFixture {
  testsupport::FakeTelephony telephony;
  QString caption;
  QStringList listed;

  // An alphabetical table of (name, memo) entries; the first one is current.
  app::TRuViv& startWith(const QList<QPair<QString, QString>>& entries) {
    work.createAddressTable();
    for (const auto& [name, memo] : entries) work.appendEntry(name, memo);
    return start();
  }

  // Presses `button`; `user` acts in the chooser once it is up.
  void press(QToolButton* button, const std::function<void(TBtnBottomDlg&)>& user) {
    QTimer::singleShot(0, [this, user] {
      auto* dialog = qobject_cast<TBtnBottomDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      caption = dialog->windowTitle();
      listed = dialog->items();
      user(*dialog);
      if (dialog->isVisible()) dialog->CancelBtnClick();
    });
    button->click();
  }

  contact::ContactActions& actions() { return *window->findChild<contact::ContactActions*>(); }
  QString memo() { return table().text(QStringLiteral("Info")); }
};

const auto ok = [](TBtnBottomDlg& d) { d.OKBtn->click(); };
const auto pick = [](int row) {
  return [row](TBtnBottomDlg& d) {
    d.ComboBox1->setCurrentIndex(row);
    d.OKBtn->click();
  };
};
const auto type = [](const char* text) {
  return [text](TBtnBottomDlg& d) {
    d.Edit1->setText(text);
    d.OKBtn->click();
  };
};

TEST(ContactActions, DialsTheChosenNumberWithTheEntrysName) {
  ActionsFixture f;
  app::TRuViv& w = f.startWith({{"Pizza 555-0134", "call 555-1234 or 555-9876\r\n(206)555-1111 (206) 555-2222"}});
  f.press(w.SpeedPhone, pick(2));
  EXPECT_EQ(f.caption, "Choose Phone No.:");
  EXPECT_EQ(f.listed, QStringList({"555-0134", "555-9876", "555-1234", "555-2222", "206-555-1111"}));
  ASSERT_EQ(f.telephony.requests.size(), 1U);
  const auto& request = f.telephony.requests[0];
  EXPECT_EQ(request.destination, "555-1234");
  EXPECT_EQ(request.appName, "");
  EXPECT_EQ(request.calledParty, "Pizza 555-0134");
  EXPECT_EQ(request.comment, "");
  EXPECT_EQ(f.telephony.loads, 1);
  EXPECT_EQ(f.telephony.releases, 1);
  EXPECT_TRUE(f.dialogs.boxes().empty());

  // One number: corrected in the edit field, the correction is dialled.
  f.table().edit();
  f.table().setText("Info", "nothing here");
  f.table().post();
  f.press(w.SpeedPhone, type("555-0135 ext 2"));
  EXPECT_EQ(f.caption, "Dial Phone No.:");
  EXPECT_EQ(f.telephony.requests.back().destination, "555-0135 ext 2");
  // Declined: nothing loaded.
  f.press(w.SpeedPhone, [](TBtnBottomDlg& d) { d.CancelBtnClick(); });
  EXPECT_EQ(f.telephony.loads, 2);
}

TEST(ContactActions, DialFailuresWarnAndATypedNumberIsStored) {
  ActionsFixture f;
  app::TRuViv& w = f.startWith({{"Nobody", "no numbers"}});
  // No service: the first warning, no request, then the add-to-record question.
  f.telephony.loadable = false;
  f.press(w.SpeedPhone, type("555-1234"));
  EXPECT_TRUE(f.telephony.requests.empty());
  EXPECT_EQ(f.dialogs.texts(), QStringList({contact::kNoTelephonyWarning, "Add 555-1234 to file record?"}));
  EXPECT_EQ(f.memo(), "no numbers\r\nPhone: 555-1234");
  EXPECT_EQ(f.table().state(), store::DatasetState::Browse);
  EXPECT_EQ(w.focusWidget(), w.ZurGrid);

  // A refused request: the second warning; declining the question stores nothing.
  f.table().edit();
  f.table().setText("Info", "");
  f.table().post();
  f.dialogs.clear();
  f.telephony.loadable = true;
  f.telephony.result = -3;
  f.dialogs.queueAnswer(false);
  f.press(w.SpeedPhone, type("555-1"));
  EXPECT_EQ(f.dialogs.texts(), QStringList({contact::kDialRefusedWarning, "Add 555-1 to file record?"}));
  EXPECT_EQ(f.memo(), "");

  // A request that throws: the same warning, the service released, the
  // failure goes on and no question follows. A service without the request
  // is silent.
  f.dialogs.clear();
  f.telephony.throws = true;
  QTimer::singleShot(0, [] { qobject_cast<TBtnBottomDlg*>(QApplication::activeModalWidget())->Edit1->setText("1"); });
  QTimer::singleShot(0, [] { qobject_cast<TBtnBottomDlg*>(QApplication::activeModalWidget())->OKBtnClick(); });
  EXPECT_THROW(f.actions().SpeedPhoneClick(), std::runtime_error);
  EXPECT_EQ(f.dialogs.texts(), QStringList({contact::kDialRefusedWarning}));
  EXPECT_EQ(f.telephony.loads - 1, f.telephony.releases);  // the service that did not load is not released
  f.telephony.hasRequest = false;
  f.dialogs.setDefaultAnswer(false);
  f.press(w.SpeedPhone, type("2"));
  EXPECT_EQ(f.telephony.requests.size(), 2U);

  // A phone application that took the request and then failed: its exit status is told.
  f.dialogs.clear();
  f.telephony.throws = false;
  f.telephony.hasRequest = true;
  f.telephony.result = 0;
  f.telephony.exitStatus = 7;
  f.press(w.SpeedPhone, type("3"));
  EXPECT_EQ(f.dialogs.texts(), QStringList({contact::handlerFailedWarning(7), "Add 3 to file record?"}));
  EXPECT_TRUE(contact::handlerFailedWarning(7).contains("exit status 7"));
}

TEST(ContactActions, MailTargetsAndTheListSortedFromThenOn) {
  ActionsFixture f;
  app::TRuViv& w = f.startWith({{"Firm", "x@y.com\r\nA@b.com, c@d.com\r\n555-9999 555-1111"}});
  // Before any e-mail action the phone list is in the order found.
  f.press(w.SpeedPhone, ok);
  EXPECT_EQ(f.listed, QStringList({"555-1111", "555-9999"}));

  struct Case {
    bool all;
    bool bcc;
    QString target;
  };
  const Case cases[] = {
      {false, false, "mailto:A@b.com,"},
      {true, false, "mailto:A@b.com,,x@y.com"},
      {true, true, "mailto:?bcc=A@b.com,,x@y.com"},
  };
  for (const Case& c : cases) {
    bool bccShown = false, bccEnabledBefore = true;
    f.press(w.email, [&](TBtnBottomDlg& d) {
      bccShown = d.bcc->isVisible();
      bccEnabledBefore = d.bcc->isEnabled();
      d.CheckAll->setChecked(c.all);
      d.bcc->setChecked(c.bcc);
      d.OKBtn->click();
    });
    EXPECT_EQ(f.listed, QStringList({"A@b.com,", "x@y.com"}));
    EXPECT_EQ(f.caption, "Choose E-mail address:");
    EXPECT_TRUE(bccShown);
    EXPECT_FALSE(bccEnabledBefore);
    ASSERT_FALSE(f.shell.requests().empty());
    EXPECT_EQ(f.shell.requests().back().target, c.target);
    EXPECT_EQ(f.shell.requests().back().verb, "open");
  }
  EXPECT_FALSE(f.chooser->bcc->isVisible());
  // From now on the phone list is alphabetical too.
  f.press(w.SpeedPhone, ok);
  EXPECT_EQ(f.listed, QStringList({"555-1111", "555-9999"}));
  EXPECT_TRUE(f.dialogs.boxes().empty());

  // No address: the typed one is used and stored.
  f.table().edit();
  f.table().setText("Info", "");
  f.table().post();
  f.press(w.email, type("me@x.org"));
  EXPECT_EQ(f.caption, "Message to E-mail address");
  EXPECT_EQ(f.shell.requests().back().target, "mailto:me@x.org");
  EXPECT_EQ(f.memo(), "Email: me@x.org");
}

TEST(ContactActions, WebAddressesAreFoundWholeAndHandedOnUnchanged) {
  ActionsFixture f;
  const QString longAddress = "http://example.com/" + QString(200, 'p');
  app::TRuViv& w = f.startWith({{"Site", "see " + longAddress + " today\r\nalso WWW.Example.COM/a, ok"}});
  ASSERT_TRUE(w.DBMemo1->wordWrap());
  // With word wrap on, the long line shows on several lines; the e-mail and
  // phone actions see those display lines, the web action the text's own.
  EXPECT_GT(contact::displayLines(*w.DBMemo1).size(), 3);
  f.press(w.URL, pick(1));
  EXPECT_EQ(f.listed, QStringList({longAddress, "WWW.Example.COM/a,"}));
  ASSERT_EQ(f.shell.requests().size(), 1U);
  EXPECT_EQ(f.shell.requests()[0].target, "iexplore.exe");
  EXPECT_EQ(f.shell.requests()[0].parameters, "WWW.Example.COM/a,");
  EXPECT_EQ(f.shell.requests()[0].verb, "");
  EXPECT_TRUE(w.DBMemo1->wordWrap());

  f.table().edit();
  f.table().setText("Info", "a@b.cc " + QString("word ").repeated(40) + "z@y.xx");
  f.table().post();
  f.press(w.email, ok);
  EXPECT_EQ(f.listed, QStringList({"a@b.cc", "z@y.xx"}));  // two display lines, one address each
  f.press(w.URL, type("www.example.com"));
  EXPECT_EQ(f.caption, "GoTo URL");
  EXPECT_EQ(f.shell.requests().back().parameters, "www.example.com");
  EXPECT_TRUE(f.memo().endsWith("z@y.xx\r\nWebSite: www.example.com"));
}

TEST(ContactActions, ClipboardRoundTrips) {
  ActionsFixture f;
  app::TRuViv& w = f.startWith({{"Adams", ""}, {"Baker", ""}, {"Cole", ""}, {"Dunn", ""}});
  QClipboard* clipboard = QGuiApplication::clipboard();
  // Browsing, nothing selected: the current name without a line break.
  w.ClipSpeed->click();
  EXPECT_EQ(clipboard->text(), "Adams");
  // Three rows selected: each name ended by CR LF; entry and selection kept.
  for (int row : {3, 1, 2})
    QTest::mouseClick(w.ZurGrid->viewport(), Qt::LeftButton, Qt::ControlModifier, w.ZurGrid->rowRect(row).center());
  const QString current = f.currentName();
  const auto marked = [&] {
    QList<std::uint32_t> records;
    for (const store::Bookmark& row : w.ZurGrid->selectedRows()) records << row.recordNumber;
    return records;
  };
  const QList<std::uint32_t> selected = marked();
  ASSERT_EQ(selected.size(), 3);
  w.ClipSpeed->click();
  EXPECT_EQ(clipboard->text(), "Dunn\r\nBaker\r\nCole\r\n");
  EXPECT_EQ(f.currentName(), current);
  EXPECT_EQ(marked(), selected);
  EXPECT_EQ(f.table().state(), store::DatasetState::Browse);

  // Editing: the clipboard goes into NAME (30 characters, line breaks kept),
  // not posted.
  struct Case {
    QString clipboard;
    QString name;
  };
  const Case cases[] = {
      {QString(40, 'x'), QString(30, 'x')},
      {"two\r\nlines", "two\r\nlines"},
      {QString(1 << 20, 'm'), QString(30, 'm')},
      {{}, {}},
  };
  f.table().edit();
  for (const Case& c : cases) {
    if (c.clipboard.isNull())
      clipboard->setMimeData(new QMimeData);  // no text at all
    else
      clipboard->setText(c.clipboard);
    w.ClipSpeed->click();
    EXPECT_EQ(f.currentName(), c.name);
    EXPECT_EQ(f.table().state(), store::DatasetState::Edit);
  }
  f.table().cancel();
  EXPECT_EQ(f.currentName(), current);
}

// The toolbar's paste refuses what the table's code page cannot hold as a
// paste into the name's cell does: dropped, with the same tool tip, not "?".
TEST(ContactActions, ToolbarPasteRefusesWhatTheTableCannotHold) {
  ActionsFixture f;
  app::TRuViv& w = f.startWith({{"Adams", ""}});
  const QString message = widgets::refusedCharacterMessage(U'\u0141', *codepage::CodePage::fromNumber(1252));
  QString refused;
  QObject::connect(w.ZurGrid->findChild<widgets::TextGuard*>(), &widgets::TextGuard::refused,
                   [&](char32_t, const QString& text) { refused = text; });
  f.table().edit();
  QGuiApplication::clipboard()->setText(QStringLiteral(u"\u0141\u00F3d\u017A ok"));
  w.ClipSpeed->click();
  EXPECT_EQ(f.currentName(), QStringLiteral(u"\u00F3d ok"));
  EXPECT_EQ(refused, message);
  EXPECT_EQ(QToolTip::text(), message);
  f.table().cancel();
}

}  // namespace
