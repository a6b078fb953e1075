// The search through the window: the prompt, name-only and name-and-memo
// searches, no match, cancel, ending the search, and the information window
// opened by a double click.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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
  EXPECT_TRUE(w.dm->tblFilter.isActive());
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
