// The information window on a small address table: its labels and counts
// under each search state, find-next in the memo, the font of one opening,
// help, and the memo's write-back.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextCursor>

#include "fake_desktop_shell.h"
#include "rtf/reader.h"
#include "search/find_next.h"
#include "search/info_window.h"
#include "store/address_fixture.h"

namespace {

using search::TInfo;

class InfoWindowTest : public AddressTableTest {
 protected:
  void SetUp() override {
    AddressTableTest::SetUp();
    folder.appendEntry("Smith", "Phone: 555-0100", QDate(2026, 3, 1));
    folder.appendEntry("Osmium Ltd", "");
    folder.appendEntry("Jones", "met Mr. smith at the fair;\r\nSmith's shop, SMI ltd", QDate(2025, 12, 24));
    folder.appendEntry("Brown", "nothing");
    openModule();
  }

  void search(const QString& typed, bool includeMemo) {
    dm.search().setText(typed);
    dm.search().setIncludeMemo(includeMemo);
    if (includeMemo) dm.tblFilter.open();
    dm.tblAddress.setFilterText(dm.search().expression());
    dm.tblAddress.setFiltered(true);
  }

  std::unique_ptr<TInfo> show() {
    auto info = std::make_unique<TInfo>(dm);
    info->show();
    return info;
  }

  testsupport::FakeDesktopShell shell;
};

TEST_F(InfoWindowTest, CountsUnderEachSearchState) {
  struct Case {
    const char* text;  // nullptr: no search
    bool includeMemo;
    const char* filterCount;  // nullptr: the line is hidden
  };
  for (const Case c :
       {Case{nullptr, false, nullptr}, Case{"smi", false, "2"}, Case{"SMI", true, "3"}, Case{"\"q']", false, "0"}}) {
    dm.tblAddress.setFiltered(false);
    if (c.text) search(c.text, c.includeMemo);
    dm.tblAddress.last();
    const QString current = dm.tblAddress.text("Name");
    const auto info = show();
    EXPECT_EQ(info->AllCountLabel->text(), "4") << c.text;  // the entry count, also while searching
    EXPECT_EQ(info->IfFilterLabel->isVisible(), c.filterCount != nullptr) << c.text;
    EXPECT_EQ(info->FilterLabel->isVisible(), c.filterCount != nullptr) << c.text;
    if (c.filterCount) {
      EXPECT_EQ(info->FilterLabel->text(), c.filterCount) << c.text;
    }
    EXPECT_EQ(dm.tblAddress.text("Name"), current) << "the grid moved: " << c.text;
    EXPECT_FALSE(dm.tblAddress.controlsDisabled());
  }
}

TEST_F(InfoWindowTest, LabelsShowTheEntryAndTheTable) {
  ASSERT_TRUE(dm.tblAddress.seekExact("SMITH"));
  const auto info = show();
  EXPECT_EQ(info->windowTitle(), "Kestrane - Extended Information");
  EXPECT_EQ(info->NameLabel->text(), "Smith");
  EXPECT_EQ(info->DateLabel->text(), "03/01/26");
  EXPECT_EQ(info->LupdateLabel->text(), dm.tblAddress.lastUpdate());
  EXPECT_EQ(info->Memo1->toPlainText(), "Phone: 555-0100");
  for (auto [label, text] :
       {std::pair{info->Label1, "Entry last modified:"}, std::pair{info->Lupdate, "Last update to ANY record:"},
        std::pair{info->Label3, "Total non-deleted records:"},
        std::pair{info->IfFilterLabel, "Records meeting filter criteria:"}})
    EXPECT_EQ(label->text(), text);
  EXPECT_EQ(info->size(), QSize(418, 375));
}

// A memo search keeps its cursor for memos open; a failure there while
// counting goes to the error box, and the window and the grid carry on.
TEST_F(InfoWindowTest, ACountThatFailsIsReportedAndTheGridFollowsAgain) {
  search("fair", true);
  dm.tblFilter.close();
  dm.tblFilter.setFolder(folder.filePath("gone"));
  const auto info = show();
  ASSERT_EQ(dialogs.boxes().size(), 1u);
  EXPECT_TRUE(dialogs.boxes()[0].error);
  EXPECT_TRUE(dialogs.boxes()[0].text.startsWith("tblFilter: ")) << dialogs.boxes()[0].text.toStdString();
  EXPECT_FALSE(dm.tblAddress.controlsDisabled());
  EXPECT_TRUE(info->isVisible());
}

TEST(FindNext, ForwardCaseBlindWithinWordsNeverWrapping) {
  const QString text = "smith, Smithers and SMITH; gold-SMITHS";
  struct Case {
    qsizetype start, length;
    const char* what;
    qsizetype found;
  };
  for (const Case c : {Case{0, 0, "smi", 0}, Case{0, 3, "smi", 7}, Case{7, 3, "SMI", 20}, Case{20, 3, "smi", 32},
                       Case{32, 3, "smi", -1}, Case{5, 0, "", -1}, Case{0, 0, "\u00e9", -1}, Case{38, 0, "s", -1},
                       Case{0, 0, "gold-smiths", 27}})
    EXPECT_EQ(search::findNext(text, c.start, c.length, QString::fromUtf8(c.what)), c.found) << c.start << c.what;
}

TEST_F(InfoWindowTest, FindStartsFromTheSearchTextAndSelectsEachMatchOnce) {
  ASSERT_TRUE(dm.tblAddress.seekExact("JONES"));
  auto info = show();
  info->ButtonFindClick();
  EXPECT_EQ(info->FindDialog1->findText(), "");  // before any search
  info->FindDialog1Find();
  EXPECT_FALSE(info->Memo1->textCursor().hasSelection());
  info->FindDialog1->close();

  search("smi", true);
  ASSERT_TRUE(dm.tblAddress.seekExact("JONES"));
  info = show();
  info->ButtonFindClick();
  EXPECT_EQ(info->FindDialog1->findText(), "SMI");
  EXPECT_TRUE(info->FindDialog1->DownButton->isChecked());
  std::vector<int> found;
  for (int press = 0; press < 5; ++press) {
    QTest::mouseClick(info->FindDialog1->FindNextButton, Qt::LeftButton);
    found.push_back(info->Memo1->textCursor().selectionStart());
    EXPECT_EQ(info->Memo1->textCursor().selectedText().toUpper(), "SMI");
  }
  EXPECT_EQ(found, (std::vector<int>{8, 27, 41, 41, 41}));
}

TEST_F(InfoWindowTest, AChosenFontLastsForOneOpening) {
  auto info = show();
  const QFont standard = info->Memo1->font();
  EXPECT_EQ(standard.pixelSize(), 15);
  info->FontDialog1 = [](const QFont&, QWidget*) { return std::optional<QFont>(QFont("Courier New", 20)); };
  info->ButtonFontClick();
  EXPECT_EQ(info->Memo1->font().pointSize(), 20);
  info = show();
  EXPECT_EQ(info->Memo1->font(), standard);
  info->FontDialog1 = [](const QFont&, QWidget*) { return std::optional<QFont>(); };  // cancelled
  info->ButtonFontClick();
  EXPECT_EQ(info->Memo1->font(), standard);
}

TEST_F(InfoWindowTest, HelpOpensTheWindowsPageMaximised) {
  show()->BitBtn1Click();
  ASSERT_EQ(shell.requests().size(), 1u);
  EXPECT_TRUE(shell.requests()[0].target.endsWith("/kestrane/Davuzud.htm"));
  EXPECT_EQ(shell.requests()[0].showState, platform::ShowState::Maximized);
}

// Editable only when the entry was being edited already; a plain memo goes
// back plain, so the main window and the reports never show markup.
TEST_F(InfoWindowTest, TheMemoEditsOnlyAnEditedEntryAndAPlainMemoStaysPlain) {
  ASSERT_TRUE(dm.tblAddress.seekExact("BROWN"));
  auto info = show();
  EXPECT_TRUE(info->Memo1->isReadOnly());
  QTest::keyClicks(info->Memo1, "typed");
  EXPECT_EQ(dm.tblAddress.text("Info"), "nothing");

  search("noth", true);  // the count walks without ending the edit
  dm.tblAddress.edit();
  info = show();
  EXPECT_EQ(dm.tblAddress.state(), store::DatasetState::Edit);
  ASSERT_FALSE(info->Memo1->isReadOnly());
  info->Memo1->moveCursor(QTextCursor::End);
  QTest::keyClick(info->Memo1, Qt::Key_Return);
  QTest::keyClicks(info->Memo1, "more");
  info->close();
  ASSERT_TRUE(dm.tblAddress.post());
  EXPECT_EQ(dm.tblAddress.text("Info"), "nothing\r\nmore");
}

TEST_F(InfoWindowTest, ARichTextMemoShowsFormattedAndIsStoredAsRichText) {
  ASSERT_TRUE(dm.tblAddress.seekExact("BROWN"));
  dm.tblAddress.edit();
  dm.tblAddress.setText("Info", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 plain \\b bold\\b0\\par}");
  const auto info = show();
  EXPECT_EQ(info->Memo1->toPlainText(), "plain bold");
  QTextCursor at(info->Memo1->document());
  at.setPosition(8);
  EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
  info->Memo1->moveCursor(QTextCursor::Start);
  QTest::keyClicks(info->Memo1, "New ");
  ASSERT_TRUE(dm.tblAddress.post());
  const QString stored = dm.tblAddress.text("Info");
  EXPECT_TRUE(stored.startsWith("{\\rtf1")) << stored.toStdString();
  EXPECT_TRUE(stored.contains("New plain ")) << stored.toStdString();
  const rtf::Document document = rtf::read(store::toAnsi(stored));
  ASSERT_EQ(document.paragraphs.size(), 1u);
  EXPECT_EQ(document.paragraphs[0].runs.back().text, "bold");
  EXPECT_TRUE(document.paragraphs[0].runs.back().format.bold);
}

}  // namespace
