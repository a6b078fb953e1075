// Characters the table cannot store are refused where they are typed or
// pasted: the rest of the text stays in order, the caret stays, the status
// bar names the character, and what is posted is what the editor shows.

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include "bound_table.h"
#include "store/ansi_text.h"
#include "widgets/db_grid.h"
#include "widgets/db_memo.h"

namespace {

using widgets_testing::BoundTable;

constexpr std::uint8_t kCentralEuropean = 0xC8;  // Windows-1250

void typeText(QWidget* widget, const QString& text) {
  QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text, Qt::NoModifier);
}

struct Window {
  QMainWindow window;
  Window() { window.statusBar(); }
  QString status() const { return window.statusBar()->currentMessage(); }
};

TEST(TextGuard, MemoKeepsTypedTextInOrderAndRefusesTheRest) {
  BoundTable data({"Alpha"});
  Window main;
  auto* memo = new widgets::DbMemo(&main.window);
  main.window.setCentralWidget(memo);
  memo->setDataSource(&data.source);
  main.window.show();
  data.table.edit();
  memo->selectAll();
  QTest::keyClick(memo, Qt::Key_Delete);

  QTest::keyClicks(memo, "abc");
  typeText(memo, QString::fromUtf8("\u0141"));
  EXPECT_EQ(memo->textCursor().position(), 3);
  EXPECT_TRUE(main.status().contains(QString::fromUtf8("\"\u0141\" (U+0141)"))) << main.status().toStdString();
  QTest::keyClicks(memo, "def");
  QApplication::clipboard()->setText(QString::fromUtf8("x\u65e5\u0141y"));
  memo->paste();
  EXPECT_EQ(memo->toPlainText(), "abcdefxy");
  EXPECT_EQ(memo->textCursor().position(), 8);
  EXPECT_TRUE(main.status().contains(QString::fromUtf8("\u65e5"))) << main.status().toStdString();

  ASSERT_TRUE(data.table.post());
  EXPECT_EQ(data.table.bytes("Info"), "abcdefxy");
  EXPECT_EQ(memo->toPlainText(), "abcdefxy");
}

TEST(TextGuard, GridEditorKeepsWhatTheTablesCodePageHolds) {
  struct Case {
    std::uint8_t mark;
    const char* shown;  // what stays in the editor of the pasted text
  };
  const QString pasted = QString::fromUtf8("M\u00fcller \u20ac\u017d \u0141\u00f3d\u017a \u65e5\u672c");
  for (const Case& c : {Case{0x03, "M\u00fcller \u20ac\u017d \u00f3d "},
                        Case{kCentralEuropean, "M\u00fcller \u20ac\u017d \u0141\u00f3d\u017a "}}) {
    BoundTable data({"Alpha"}, c.mark);
    Window main;
    auto* grid = new widgets::DbGrid(&main.window);
    main.window.setCentralWidget(grid);
    grid->setColumn("NAME", "NAME", 353, 30);
    grid->setDataSource(&data.source);
    main.window.resize(300, 200);
    main.window.show();
    data.table.edit();
    QLineEdit* editor = grid->editor();
    ASSERT_TRUE(editor->isVisible());
    editor->setCursorPosition(0);
    QApplication::clipboard()->setText(pasted);
    editor->paste();

    const QString shown = QString::fromUtf8(c.shown);
    EXPECT_EQ(editor->text(), shown + "Alpha");
    EXPECT_EQ(editor->cursorPosition(), shown.size());
    EXPECT_TRUE(main.status().contains(c.mark == 0x03 ? QString::fromUtf8("\u0141") : QString::fromUtf8("\u65e5")))
        << main.status().toStdString();
    ASSERT_TRUE(data.table.post());
    const auto page = codepage::CodePage::fromMark(c.mark);
    EXPECT_EQ(data.table.bytes("Name").toStdString(), store::toAnsi(shown + "Alpha", page));
    EXPECT_EQ(data.name(), shown + "Alpha");
  }
}

}  // namespace
