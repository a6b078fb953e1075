// The chooser dialog on its own: layout, the two modes with their captions,
// the result marker, the sorted list, "send to all" with bcc, and Help.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

#include "contact/chooser_dialog.h"
#include "fake_desktop_shell.h"
#include "platform/help_pages.h"

namespace contact {
namespace {

// Runs `whileShown` once the dialog is up (from inside its modal loop).
void whileShown(const std::function<void(TBtnBottomDlg&)>& action) {
  QTimer::singleShot(0, [action] {
    auto* dialog = qobject_cast<TBtnBottomDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    action(*dialog);
    if (dialog->isVisible()) dialog->CancelBtnClick();
  });
}

TEST(ChooserDialog, LayoutAndTabOrder) {
  TBtnBottomDlg dialog;
  EXPECT_EQ(dialog.size(), QSize(419, 261));
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(dialog.OKBtn->isDefault());
  EXPECT_TRUE(dialog.bcc->font().bold());
  EXPECT_TRUE(dialog.NotYetLabel->font().bold());
  EXPECT_EQ(dialog.ComboBox1->maxVisibleItems(), 9);
  EXPECT_EQ(dialog.Edit1->geometry(), dialog.ComboBox1->geometry());
  // Notice at the top, the item row under it, the check boxes side by side,
  // OK and Cancel bottom left, Help bottom right; nothing overlaps.
  const QList<QWidget*> controls = {dialog.NotYetLabel, dialog.Edit1,     dialog.CheckAll, dialog.bcc,
                                    dialog.OKBtn,       dialog.CancelBtn, dialog.BitBtn1};
  for (int i = 0; i < controls.size(); ++i) {
    EXPECT_TRUE(dialog.rect().contains(controls[i]->geometry())) << i;
    for (int j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()));
  }
  EXPECT_LT(dialog.CheckAll->x(), dialog.bcc->x());
  EXPECT_LT(dialog.CancelBtn->x(), dialog.BitBtn1->x());
  QWidget* order[] = {dialog.Edit1,     dialog.ComboBox1, dialog.CheckAll, dialog.OKBtn,
                      dialog.CancelBtn, dialog.bcc,       dialog.BitBtn1};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (order[i]->isAncestorOf(next)) next = next->nextInFocusChain();  // the list's own edit field
    EXPECT_EQ(next, order[i + 1]) << i;
  }
}

TEST(ChooserDialog, ModesCaptionsAndResults) {
  struct Case {
    QStringList items;
    book::ItemKind kind;
    std::function<void(TBtnBottomDlg&)> user;
    QString caption;
    QString notice;  // empty: hidden
    bool listMode;
    bool checkAllShown;
    bool accepted;
    QString result;
  };
  const auto ok = [](TBtnBottomDlg& d) { d.OKBtn->click(); };
  const Case cases[] = {
      {{},
       book::ItemKind::Phone,
       [](TBtnBottomDlg& d) {
         QTest::keyClicks(d.Edit1, "555-1234");
         d.OKBtn->click();
       },
       "Dial Phone No.",
       "No Phone No. found, want to enter one below?",
       false,
       false,
       true,
       "555-1234"},
      {{}, book::ItemKind::Web, ok, "GoTo URL", "No URL found, want to enter one below?", false, false, false, ""},
      {{"555-1234"},
       book::ItemKind::Phone,
       [](TBtnBottomDlg& d) {
         d.Edit1->setText("555-9999");
         d.OKBtn->click();
       },
       "Dial Phone No.:",
       "",
       false,
       false,
       true,
       "555-9999"},
      {{"a@b.c"},
       book::ItemKind::Email,
       [](TBtnBottomDlg& d) { d.CancelBtnClick(); },
       "Message to E-mail address:",
       "",
       false,
       false,
       false,
       "a@b.c"},
      {{"x@y.z", "a@b.c"}, book::ItemKind::Email, ok, "Choose E-mail address:", "", true, true, true, "x@y.z"},
      // In list mode OK accepts even an emptied field; Escape declines.
      {{"1", "2"},
       book::ItemKind::Web,
       [](TBtnBottomDlg& d) {
         d.ComboBox1->setEditText("");
         d.OKBtn->click();
       },
       "Choose URL:",
       "",
       true,
       false,
       true,
       ""},
      {{"555-1234", "555-9876"},
       book::ItemKind::Phone,
       [](TBtnBottomDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); },
       "Choose Phone No.:",
       "",
       true,
       false,
       false,
       "555-1234"},
  };
  TBtnBottomDlg dialog;  // one dialog for all, as in the program
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption.toStdString());
    dialog.clearItems();
    for (const QString& item : c.items) dialog.addItem(item);
    bool listDroppedDown = false;
    whileShown([&](TBtnBottomDlg& d) {
      EXPECT_EQ(d.windowTitle(), c.caption);
      EXPECT_EQ(d.NotYetLabel->isVisible(), !c.notice.isEmpty());
      if (!c.notice.isEmpty()) {
        EXPECT_EQ(d.NotYetLabel->text(), c.notice);
      }
      EXPECT_EQ(d.ComboBox1->isVisible(), c.listMode);
      EXPECT_EQ(d.Edit1->isVisible(), !c.listMode);
      EXPECT_EQ(d.focusWidget() == d.ComboBox1 || d.ComboBox1->isAncestorOf(d.focusWidget()), c.listMode);
      EXPECT_EQ(d.CheckAll->isVisible(), c.checkAllShown);
      listDroppedDown = d.ComboBox1->view()->isVisible();
      if (c.listMode) {
        EXPECT_EQ(d.ComboBox1->currentText(), c.items.first());
      }
      c.user(d);
    });
    EXPECT_EQ(dialog.ShowChooser(static_cast<int>(c.items.size()), c.kind), c.accepted);
    EXPECT_EQ(dialog.resultMarker(), c.accepted ? TBtnBottomDlg::kAccepted : TBtnBottomDlg::kDeclined);
    EXPECT_EQ(listDroppedDown, c.listMode);
    EXPECT_EQ(dialog.Edit1->text(), c.result);
    EXPECT_TRUE(dialog.NotYetLabel->isHidden());
  }
}

TEST(ChooserDialog, SortedFlagCheckAllAndHelp) {
  TBtnBottomDlg dialog;
  for (const char* item : {"b", "C", "a"}) dialog.addItem(item);
  EXPECT_EQ(dialog.items(), QStringList({"b", "C", "a"}));
  dialog.setSorted(true);
  EXPECT_EQ(dialog.items(), QStringList({"a", "b", "C"}));
  dialog.addItem("B");
  dialog.addItem("A0");
  EXPECT_EQ(dialog.items(), QStringList({"a", "A0", "b", "B", "C"}));

  dialog.bcc->show();
  dialog.CheckAll->setChecked(true);
  EXPECT_TRUE(dialog.bcc->isEnabled());
  dialog.bcc->setChecked(true);
  dialog.CheckAll->setChecked(false);
  EXPECT_FALSE(dialog.bcc->isEnabled());
  EXPECT_FALSE(dialog.bcc->isChecked());
  dialog.done(0);
  EXPECT_TRUE(dialog.bcc->isHidden());

  testsupport::FakeDesktopShell shell;
  dialog.BitBtn1Click();
  dialog.CheckAll->show();  // the e-mail list or the search prompt
  dialog.CheckAll->setText("include Memo field");
  dialog.BitBtn1Click();
  ASSERT_EQ(shell.requests().size(), 2U);
  EXPECT_EQ(shell.requests()[0].target, platform::helpPageAddress("Davuzud.htm"));
  EXPECT_EQ(shell.requests()[1].target, platform::helpPageAddress("elist.html"));
  EXPECT_EQ(shell.requests()[1].showState, platform::ShowState::Maximized);
}

}  // namespace
}  // namespace contact
