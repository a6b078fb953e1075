// The memo follows the current record and edits only in Edit or Insert
// state; the navigator's buttons follow the table's state.

#include <QTest>

#include <gtest/gtest.h>

#include "bound_table.h"
#include "widgets/db_memo.h"
#include "widgets/db_navigator.h"

namespace {

using store::DatasetState;
using widgets::DbNavigator;
using widgets_testing::BoundTable;

TEST(DbMemo, ShowsTheCurrentRecordReadOnlyUntilEditing) {
  BoundTable data({"Alpha", "Bravo"});
  widgets::DbMemo memo;
  memo.setField("INFO");
  memo.setDataSource(&data.source);
  memo.show();
  EXPECT_EQ(memo.toPlainText(), "line one\nline two of Alpha");
  EXPECT_TRUE(memo.isReadOnly());
  QTest::keyClicks(&memo, "zz");
  EXPECT_EQ(memo.toPlainText(), "line one\nline two of Alpha");

  data.table.next();
  EXPECT_EQ(memo.toPlainText(), "line one\nline two of Bravo");

  data.table.edit();
  EXPECT_FALSE(memo.isReadOnly());
  memo.moveCursor(QTextCursor::End);
  QTest::keyClick(&memo, Qt::Key_Return);
  QTest::keyClicks(&memo, "three");
  EXPECT_EQ(data.table.text("Info"), "line one\r\nline two of Bravo\r\nthree");
  EXPECT_TRUE(data.table.post());
  EXPECT_TRUE(memo.isReadOnly());
  EXPECT_EQ(memo.toPlainText(), "line one\nline two of Bravo\nthree");

  // A change made by a command shows at once.
  data.table.edit();
  data.table.setText("Info", "set elsewhere");
  EXPECT_EQ(memo.toPlainText(), "set elsewhere");
}

TEST(DbMemo, WordWrapDecidesTheScrollBars) {
  widgets::DbMemo memo;
  EXPECT_TRUE(memo.wordWrap());
  EXPECT_EQ(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  memo.setWordWrap(false);
  EXPECT_EQ(memo.lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

QString enabledButtons(const DbNavigator& navigator) {
  QString pattern;
  for (int i = 0; i < DbNavigator::ButtonCount; ++i)
    pattern += navigator.button(static_cast<DbNavigator::Button>(i))->isEnabled() ? 'x' : '-';
  return pattern;
}

TEST(DbNavigator, ButtonsFollowTheTable) {
  BoundTable data({"Alpha", "Bravo", "Charlie"});
  DbNavigator navigator;
  navigator.setDataSource(&data.source);
  //                                  First Prior Next Last Insert Delete Edit Post Cancel
  EXPECT_EQ(enabledButtons(navigator), "--xxxxx--");
  navigator.press(DbNavigator::Next);
  EXPECT_EQ(enabledButtons(navigator), "xxxxxxx--");
  navigator.press(DbNavigator::Last);
  EXPECT_EQ(data.name(), "Charlie");
  EXPECT_EQ(enabledButtons(navigator), "xx--xxx--");
  navigator.press(DbNavigator::Edit);
  EXPECT_EQ(data.table.state(), DatasetState::Edit);
  EXPECT_EQ(enabledButtons(navigator).mid(4), "-x-xx");
  navigator.press(DbNavigator::Cancel);
  navigator.press(DbNavigator::Insert);
  EXPECT_EQ(data.table.state(), DatasetState::Insert);
  data.table.setText("Name", "Delta");
  navigator.press(DbNavigator::Post);
  EXPECT_EQ(data.table.state(), DatasetState::Browse);
  EXPECT_EQ(data.table.recordCount(), 4);
}

TEST(DbNavigator, EmptyTableOffersOnlyInsert) {
  BoundTable data({});
  DbNavigator navigator;
  navigator.setDataSource(&data.source);
  EXPECT_EQ(enabledButtons(navigator), "----x----");
  navigator.setDataSource(nullptr);
  EXPECT_EQ(enabledButtons(navigator), "---------");
}

TEST(DbNavigator, DeleteAsksFirst) {
  BoundTable data({"Alpha", "Bravo"});
  DbNavigator navigator;
  navigator.setDataSource(&data.source);
  data.dialogs.queueAnswer(false);
  navigator.press(DbNavigator::Delete);
  EXPECT_EQ(data.table.recordCount(), 2);
  data.dialogs.queueAnswer(true);
  navigator.press(DbNavigator::Delete);
  EXPECT_EQ(data.table.recordCount(), 1);
  ASSERT_EQ(data.dialogs.boxes().size(), 2u);
  EXPECT_EQ(data.dialogs.boxes()[0].title, "Confirm");
  EXPECT_EQ(data.dialogs.boxes()[0].text, "Delete record?");
}

}  // namespace
