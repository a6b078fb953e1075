// The grid shows a window of rows around the current record and scrolls it
// the way a classic data grid does, without reading the whole table.

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "bound_table.h"
#include "widgets/db_grid.h"

namespace {

using store::DatasetState;
using widgets_testing::BoundTable;
using widgets_testing::numberedNames;

struct GridTest : ::testing::Test {
  BoundTable data{numberedNames(60)};
  QWidget window;
  widgets::DbGrid* grid = new widgets::DbGrid(&window);
  QLineEdit* other = new QLineEdit(&window);  // another control of the same window

  void SetUp() override {
    window.resize(300, 200);
    other->move(0, 160);
    grid->resize(290, 147);
    grid->setColumn("NAME", "NAME", 353, 30);
    grid->setDataSource(&data.source);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
  }
  int rows() const { return grid->visibleRowCount(); }
  void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, grid->rowRect(row).center());
  }
  // Counts in `met` the records the table meets, through a pass-all
  // per-record test.
  int met = 0;
  void countRecordsMet() {
    data.table.setFilterRecord([this](const store::RecordView&) {
      ++met;
      return true;
    });
    data.table.setFiltered(true);
    met = 0;
  }
  QList<std::uint32_t> marked() {
    QList<std::uint32_t> records;
    for (const store::Bookmark& row : grid->selectedRows()) records << row.recordNumber;
    return records;
  }
  QStringList names(int from, int count) const { return numberedNames(60).mid(from, count); }
};

TEST_F(GridTest, ScrollsLikeAClassicDataGrid) {
  ASSERT_GE(rows(), 3);
  EXPECT_EQ(grid->visibleTexts(), names(0, rows()));
  EXPECT_EQ(grid->currentRowIndex(), 0);

  for (int i = 1; i < rows(); ++i) QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(grid->visibleTexts(), names(0, rows()));  // moved down the screen
  EXPECT_EQ(grid->currentRowIndex(), rows() - 1);
  QTest::keyClick(grid, Qt::Key_Down);  // past the bottom: scrolls by one
  EXPECT_EQ(grid->visibleTexts(), names(1, rows()));
  EXPECT_EQ(grid->currentRowIndex(), rows() - 1);
  EXPECT_EQ(data.name(), names(rows(), 1).first());

  QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid->visibleTexts(), names(60 - rows(), rows()));
  EXPECT_EQ(grid->currentRowIndex(), rows() - 1);
  EXPECT_EQ(data.name(), "Name059");

  QTest::keyClick(grid, Qt::Key_PageUp);
  EXPECT_EQ(data.name(), names(59 - rows(), 1).first());
  QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(grid->visibleTexts(), names(0, rows()));
  EXPECT_EQ(grid->currentRowIndex(), 0);
}

TEST_F(GridTest, AJumpKeepsTheCurrentRowsPlaceOnTheScreen) {
  QTest::keyClick(grid, Qt::Key_Down);
  QTest::keyClick(grid, Qt::Key_Down);
  data.table.seekNearest("NAME040");
  EXPECT_EQ(grid->currentRowIndex(), 2);
  EXPECT_EQ(grid->visibleTexts(), names(38, rows()));
}

TEST_F(GridTest, NeverWalksTheWholeTable) {
  countRecordsMet();
  QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
  QTest::keyClick(grid, Qt::Key_PageDown);
  EXPECT_LT(met, 12 * rows());
  EXPECT_EQ(grid->visibleTexts().size(), rows());
}

TEST_F(GridTest, OnTheFirstRecordItLooksForNoRowsBefore) {
  // A filter meeting only the last ten entries, switched on with the
  // current row low on the screen: the first one passing comes first, and
  // nothing is read back towards the start of the table.
  for (int i = 0; i < 3; ++i) QTest::keyClick(grid, Qt::Key_Down);
  int met = 0;
  data.table.setFilterRecord([&met](const store::RecordView& record) {
    ++met;
    return record.text("Name") >= "Name050";
  });
  data.table.setFiltered(true);
  EXPECT_EQ(grid->visibleTexts(), names(50, rows()));
  EXPECT_EQ(grid->currentRowIndex(), 0);
  EXPECT_LT(met, 51 + 2 * rows() + 4);  // the walk to the first one, and a screen after it
}

TEST_F(GridTest, TypingNeverStartsAnEdit) {
  QList<QChar> typed;
  QObject::connect(grid, &widgets::DbGrid::keyTyped, [&typed](QChar c) { typed << c; });
  QTest::keyClicks(grid, "xy");
  EXPECT_EQ(data.table.state(), DatasetState::Browse);
  EXPECT_FALSE(grid->editor()->isVisible());
  EXPECT_EQ(typed, QList<QChar>({'x', 'y'}));
}

TEST_F(GridTest, EditsTheColumnIntoTheRecordBuffer) {
  data.table.edit();
  ASSERT_TRUE(grid->editor()->isVisible());
  EXPECT_EQ(grid->editor()->text(), "Name000");
  EXPECT_EQ(grid->editor()->maxLength(), 30);
  QTest::keyClick(grid->editor(), Qt::Key_End);
  QTest::keyClicks(grid->editor(), " X");
  EXPECT_EQ(data.name(), "Name000 X");  // the blank survives the round trip through the field
  EXPECT_TRUE(data.table.isModified());
  QTest::keyClick(grid->editor(), Qt::Key_Escape);
  EXPECT_EQ(data.table.state(), DatasetState::Browse);
  EXPECT_EQ(data.name(), "Name000");
  EXPECT_FALSE(grid->editor()->isVisible());
  EXPECT_EQ(grid->visibleTexts().first(), "Name000");
}

TEST_F(GridTest, InsertShowsABlankRowThatAnUntouchedLeaveCancels) {
  QTest::keyClick(grid, Qt::Key_Down);
  data.table.insert();
  EXPECT_EQ(grid->currentRowIndex(), 1);
  EXPECT_EQ(grid->visibleTexts().mid(0, 3), QStringList({"Name000", "", "Name001"}));
  EXPECT_TRUE(grid->editor()->isVisible());

  grid->setFocus(Qt::OtherFocusReason);
  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(data.table.state(), DatasetState::Browse);
  EXPECT_EQ(grid->visibleTexts(), names(0, rows()));

  // Once something is typed the new record stays when the focus leaves.
  data.table.insert();
  grid->setFocus(Qt::OtherFocusReason);
  QTest::keyClicks(grid->editor(), "Kept");
  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(data.table.state(), DatasetState::Insert);
  EXPECT_EQ(data.name(), "Kept");
}

TEST_F(GridTest, MarksRowsByClickCtrlClickShiftClickAndKeys) {
  // Record n holds Name(n-1); the screen starts at the top.
  const struct {
    std::function<void()> act;
    QList<std::uint32_t> marked;
  } steps[] = {
      {[&] { clickRow(2); }, {3}},  // a plain click marks the clicked row alone
      {[&] { clickRow(0, Qt::ControlModifier); }, {3, 1}},
      {[&] { clickRow(2, Qt::ControlModifier); }, {1}},  // a second Ctrl+click unmarks
      {[&] { clickRow(1, Qt::ControlModifier); }, {1, 2}},
      {[&] { clickRow(4, Qt::ShiftModifier); }, {1, 2, 3, 4, 5}},  // from the anchor (row 1) on
      {[&] { QTest::keyClick(grid, Qt::Key_Up, Qt::ShiftModifier); }, {1, 2, 3, 4}},
      {[&] { QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier); }, {1, 2, 3}},
      {[&] { QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier); }, {1, 2, 3, 4, 5}},
      {[&] { clickRow(3); }, {4}},
  };
  for (const auto& step : steps) {
    step.act();
    EXPECT_EQ(marked(), step.marked);
  }
  EXPECT_EQ(data.name(), "Name003");
}

// At the far end of the table a Shift+click reads no row between the ends:
// the marks keep the ends, and the rows between are read when asked for.
TEST_F(GridTest, AShiftRangeKeepsItsEndsAndReadsBetweenOnlyWhenAsked) {
  countRecordsMet();
  clickRow(1);
  QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
  met = 0;
  clickRow(rows() - 2, Qt::ShiftModifier);
  EXPECT_LT(met, 3 * rows());
  EXPECT_EQ(data.name(), "Name058");
  ASSERT_EQ(grid->markedEnds().size(), 2);
  EXPECT_EQ(grid->markedEnds()[0].recordNumber, 2u);
  EXPECT_EQ(grid->markedEnds()[1].recordNumber, 59u);
  const QList<std::uint32_t> all = marked();
  ASSERT_EQ(all.size(), 58);
  EXPECT_EQ(all.first(), 2u);
  EXPECT_EQ(all.last(), 59u);
  EXPECT_EQ(data.name(), "Name058");

  data.table.setIndexName("");  // another order clears the marks
  EXPECT_TRUE(marked().isEmpty());
}

TEST_F(GridTest, DetachedOrHeldBackItShowsTheTableOnlyWhenBack) {
  grid->setDataSource(nullptr);
  EXPECT_TRUE(grid->visibleTexts().isEmpty());
  data.table.seekNearest("NAME030");
  grid->viewport()->repaint();
  grid->setDataSource(&data.source);
  EXPECT_EQ(grid->visibleTexts().value(grid->currentRowIndex()), "Name030");

  {
    const store::ControlsDisabled hold(data.table);
    data.table.first();
    EXPECT_EQ(grid->visibleTexts().value(grid->currentRowIndex()), "Name030");
  }
  EXPECT_EQ(grid->visibleTexts().value(grid->currentRowIndex()), "Name000");
}

TEST(GridScrollBar, ShowsAndChoosesThePlaceByName) {
  QStringList names;
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    for (int i = 0; i < 4; ++i) names << QStringLiteral("%1 entry %2").arg(QChar(letter)).arg(i);
  BoundTable data(names);
  widgets::DbGrid grid;
  grid.resize(290, 147);
  grid.setColumn("NAME", "NAME", 353, 30);
  grid.setDataSource(&data.source);
  QScrollBar* bar = grid.verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->minimum());

  data.table.seekNearest("D");
  const int atD = bar->value();
  data.table.seekNearest("P");
  const int atP = bar->value();
  EXPECT_GT(atD, bar->minimum());
  EXPECT_GT(atP, atD);
  EXPECT_LT(atP, bar->maximum());
  data.table.last();
  EXPECT_EQ(bar->value(), bar->maximum());

  // Letting the thumb go near the middle lands near the middle of the alphabet.
  bar->setSliderPosition((bar->minimum() + bar->maximum()) / 2);
  bar->triggerAction(QAbstractSlider::SliderMove);
  EXPECT_TRUE(data.name().startsWith('M') || data.name().startsWith('N')) << data.name().toStdString();
  bar->setSliderPosition(bar->minimum());
  bar->triggerAction(QAbstractSlider::SliderMove);
  EXPECT_EQ(data.name(), "A entry 0");

  // In natural order the thumb sits in the middle and moves a page at a time.
  data.table.setIndexName("");
  data.table.moveBy(10);
  EXPECT_EQ(bar->value(), (bar->minimum() + bar->maximum()) / 2);
  bar->setSliderPosition(bar->maximum() - 1);
  bar->triggerAction(QAbstractSlider::SliderMove);
  EXPECT_EQ(data.table.recordNumber(), 11u + grid.visibleRowCount());
}

TEST_F(GridTest, ConfirmedDeleteOnly) {
  data.dialogs.queueAnswer(false);
  QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(data.table.recordCount(), 60);
  data.dialogs.queueAnswer(true);
  QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(data.table.recordCount(), 59);
  EXPECT_EQ(grid->visibleTexts(), names(1, rows()));
  EXPECT_EQ(data.dialogs.texts(), QStringList({"Delete record?", "Delete record?"}));
}

}  // namespace
