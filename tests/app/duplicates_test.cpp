// Find duplicates in the window, end to end: the command scans the table,
// the dialog lists the groups with their reasons, a merge and its undo
// leave the table's entries as they were byte for byte, and a pair said
// not to be a duplicate is remembered beside the table. Then the plain
// units behind it: the marks file and the groups as decisions change them.

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <fstream>

#include <gtest/gtest.h>

#include "duplicates/duplicate_review.h"
#include "duplicates/duplicates_command.h"
#include "duplicates/duplicates_dialog.h"
#include "duplicates/not_duplicates.h"
#include "store/ansi_text.h"
#include "temp_folder.h"
#include "window_fixture.h"
#include "xbase/cursor.h"

namespace {

using duplicates::DuplicatesDialog;

// Every record as the table holds it: number, deletion mark, name, memo, date.
std::vector<std::string> records(const QString& folder) {
  auto cursor = xbase::Cursor::open(store::toFileSystemPath(folder + QStringLiteral("/ADDRESS.DBF")),
                                    xbase::OpenMode::Shared);
  std::vector<std::string> all;
  for (std::uint32_t recno = 1; recno <= xbase::tableInfo(cursor->path()).recordCount; ++recno) {
    cursor->go(recno);
    all.push_back(std::to_string(recno) + (cursor->deleted() ? "*" : " ") + cursor->value("Name") + "|" +
                  cursor->value("Info") + "|" + cursor->value("LastDate"));
  }
  return all;
}

class FindDuplicates : public ::testing::Test {
 protected:
  void SetUp() override {
    f.work.createAddressTable();
    f.work.appendEntry("Ann Smith", "Phone: 206-555-1234\r\nlikes tea", QDate(2019, 3, 4));
    f.work.appendEntry("Bob Jones", "Phone: 555-9876");
    f.work.appendEntry("Smith, Ann", "Phone: (206) 555-1234\r\nlikes tea\r\nnew job", QDate(2021, 5, 6));
    f.work.appendEntry("Jones, Bob", "Email: bob@example.org");
    f.work.appendEntry("Carol", "Email: carol@example.org");
    f.start();
  }

  // Ctrl+Shift+D on the window; the dialog it opened (null when none).
  DuplicatesDialog* find() {
    f.window->activateWindow();  // the shortcut works in the active window
    EXPECT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    return f.window->findChild<DuplicatesDialog*>();
  }
  static QStringList rows(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
  }

  app_testing::WindowFixture f;
};

TEST_F(FindDuplicates, MergeKeepsTheChosenNameAndUndoPutsTheEntriesBackByteForByte) {
  const std::vector<std::string> before = records(f.work.path());
  DuplicatesDialog* dialog = find();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(rows(dialog->GroupList), (QStringList{"Ann Smith  /  Smith, Ann", "Bob Jones  /  Jones, Bob"}));
  EXPECT_EQ(rows(dialog->Reasons), (QStringList{"Ann Smith and Smith, Ann: same name (annsmith)",
                                                "Ann Smith and Smith, Ann: same phone number (2065551234)"}));
  EXPECT_EQ(dialog->SecondMemo->toPlainText(), QStringLiteral("Phone: (206) 555-1234\nlikes tea\nnew job"));

  dialog->KeepSecond->setChecked(true);  // "Smith, Ann" stays, with every line of both memos once
  QTest::mouseClick(dialog->MergeButton, Qt::LeftButton);
  EXPECT_TRUE(f.dialogs.boxes().empty()) << f.dialogs.texts().join('\n').toStdString();
  const std::vector<std::string> merged = records(f.work.path());
  EXPECT_EQ(merged[0].substr(0, 11), "1*Ann Smith");
  EXPECT_EQ(merged[2].substr(0, merged[2].size() - 8),
            "3 Smith, Ann|Phone: (206) 555-1234\r\nlikes tea\r\nnew job\r\nPhone: 206-555-1234|");
  EXPECT_EQ(f.dm->entryCount(), 4);
  EXPECT_EQ(f.currentName(), QStringLiteral("Smith, Ann"));
  EXPECT_EQ(rows(dialog->GroupList), QStringList{"Bob Jones  /  Jones, Bob"});

  ASSERT_TRUE(dialog->UndoButton->isEnabled());
  QTest::mouseClick(dialog->UndoButton, Qt::LeftButton);
  EXPECT_EQ(records(f.work.path()), before);
  EXPECT_EQ(f.dm->entryCount(), 5);
  EXPECT_EQ(dialog->GroupList->count(), 2);
  EXPECT_FALSE(dialog->UndoButton->isEnabled());

  // An entry changed since the merge is not overwritten by its undo.
  QTest::mouseClick(dialog->MergeButton, Qt::LeftButton);  // "Ann Smith" kept this time
  {
    auto cursor = xbase::Cursor::open(store::toFileSystemPath(f.work.filePath("ADDRESS.DBF")), xbase::OpenMode::Shared);
    cursor->go(1);
    cursor->beginEdit();
    cursor->setValue("Info", "edited meanwhile");
    cursor->post();
  }
  QTest::mouseClick(dialog->UndoButton, Qt::LeftButton);
  ASSERT_EQ(f.dialogs.boxes().size(), 1u);
  EXPECT_TRUE(f.dialogs.boxes()[0].text.contains(QStringLiteral("cannot be undone: Ann Smith was changed since")));
  EXPECT_EQ(records(f.work.path())[0].substr(0, 28), "1 Ann Smith|edited meanwhile");
  EXPECT_EQ(records(f.work.path())[2].substr(0, 2), "3*");
}

TEST_F(FindDuplicates, APairThatIsNotADuplicateIsRememberedAndNotOfferedAgain) {
  DuplicatesDialog* dialog = find();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(find() == dialog);  // a second command while it is open opens no second dialog
  dialog->GroupList->setCurrentRow(1);
  QTest::mouseClick(dialog->NotDuplicateButton, Qt::LeftButton);
  EXPECT_EQ(rows(dialog->GroupList), QStringList{"Ann Smith  /  Smith, Ann"});
  QTest::mouseClick(dialog->SkipButton, Qt::LeftButton);
  EXPECT_EQ(dialog->GroupList->count(), 0);
  EXPECT_FALSE(dialog->MergeButton->isEnabled());
  dialog->close();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  ASSERT_TRUE(QFile::exists(f.work.filePath("ADDRESS.notdup")));
  dialog = find();
  ASSERT_NE(dialog, nullptr) << f.dialogs.texts().join('\n').toStdString();
  EXPECT_EQ(rows(dialog->GroupList), QStringList{"Ann Smith  /  Smith, Ann"});  // skipped only for a while
  QTest::mouseClick(dialog->NotDuplicateButton, Qt::LeftButton);
  dialog->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  EXPECT_EQ(find(), nullptr);
  EXPECT_EQ(f.dialogs.texts(), QStringList{"No entries that are probably the same person were found."});
}

// --- the plain units

TEST(NotDuplicates, PairsSurviveTheFileWhateverTheirNamesHoldAndBadFilesAreRefused) {
  testsupport::TempFolder folder;
  const auto file = duplicates::notDuplicatesPath(folder / "ADDRESS.DBF");
  EXPECT_EQ(file, folder / "ADDRESS.notdup");
  EXPECT_EQ(duplicates::NotDuplicates::load(file).size(), 0u);  // none yet
  duplicates::NotDuplicates marks;
  marks.add("Tab\there\\", "Two\r\nlines");
  marks.add("Ann Smith", "Smith, Ann");
  marks.save(file);
  const auto loaded = duplicates::NotDuplicates::load(file);
  EXPECT_EQ(loaded.size(), 2u);
  EXPECT_TRUE(loaded.contains("two\r\nLINES", "tab\there\\"));  // either order, letter case aside
  EXPECT_TRUE(loaded.contains("smith, ann", "ANN SMITH"));
  EXPECT_FALSE(loaded.contains("Ann Smith", "Tab\there\\"));

  std::ofstream(file, std::ios::trunc) << "something else\n";
  EXPECT_THROW(duplicates::NotDuplicates::load(file), std::runtime_error);
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  EXPECT_THROW(duplicates::NotDuplicates::load(file), std::runtime_error);
}

TEST(DuplicateReview, GroupsSplitJoinAndComeBackAsDecisionsChange) {
  using book::MatchKind;
  // 1-2 by name, 2-3 by phone: one group; 7-9 by e-mail: another.
  duplicates::DuplicateReview review(duplicates::groupsOf(
      {{9, 7, MatchKind::Email, "a@b"}, {1, 2, MatchKind::Name, "ann"}, {3, 2, MatchKind::Phone, "2065551234"}}));
  const auto recnos = [&] {
    std::vector<std::vector<std::uint32_t>> all;
    for (const auto& group : review.groups()) all.push_back(group.recnos);
    return all;
  };
  ASSERT_EQ(recnos(), (std::vector<std::vector<std::uint32_t>>{{1, 2, 3}, {7, 9}}));
  EXPECT_EQ(duplicates::DuplicateReview::firstPair(review.groups()[0]),
            (std::pair<std::uint32_t, std::uint32_t>{1, 2}));

  review.merged(3, 2);  // 2's links pass to 3: 1-3 by name
  EXPECT_EQ(recnos(), (std::vector<std::vector<std::uint32_t>>{{1, 3}, {7, 9}}));
  review.dismissed(7, 9);
  EXPECT_EQ(recnos(), (std::vector<std::vector<std::uint32_t>>{{1, 3}}));
  EXPECT_TRUE(review.unmerged());  // the group is whole again; 7 and 9 stay apart
  EXPECT_EQ(recnos(), (std::vector<std::vector<std::uint32_t>>{{1, 2, 3}}));
  EXPECT_FALSE(review.unmerged());
  review.dismissed(2, 1);  // 1 falls out; 2-3 holds
  EXPECT_EQ(recnos(), (std::vector<std::vector<std::uint32_t>>{{2, 3}}));
  review.skipped(0);
  EXPECT_TRUE(review.groups().empty());
}

}  // namespace
