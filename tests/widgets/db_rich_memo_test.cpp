// The rich-text memo: RTF shown formatted and carried through the text
// document unchanged, plain memos shown and stored plain.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>

#include "bound_table.h"
#include "rtf/reader.h"
#include "rtf/rtf_samples.h"
#include "rtf/writer.h"
#include "widgets/db_rich_memo.h"
#include "widgets/rich_text.h"

namespace {

using widgets_testing::BoundTable;

TEST(RichText, ADocumentSurvivesTheTextDocument) {
  rtf::Document withBreaks;
  withBreaks.colors = {{}, {false, 0, 128, 0}};
  rtf::CharFormat green;
  green.color = 1;
  green.halfPoints = 19;
  withBreaks.paragraphs = {{{{green, "tab\there\nline \x80uro \xe9"}}}, {}, {{{{}, "last"}}}};
  for (const rtf::Document& document : {rtf::read(rtf_samples::kFormatted), withBreaks}) {
    QTextDocument shown;
    widgets::fillTextDocument(document, shown);
    EXPECT_EQ(widgets::documentOf(shown, document), document) << rtf::write(document);
  }
}

TEST(DbRichMemo, PlainStaysPlainAndRichStaysRich) {
  struct Case {
    std::string stored;
    QString shown;
    std::string afterTyping;  // "X" typed at the start while editing ("Ł" refused)
  };
  const Case cases[] = {
      {"line one\r\nline two", "line one\nline two", "Xline one\r\nline two"},
      {"{\\rtf1 Hello \\b world\\b0\\par}", "Hello world", ""},
      {"", "", "X"},
  };
  for (const Case& c : cases) {
    BoundTable bound({"Ann"});
    bound.table.edit();
    bound.table.setBytes("Info", QByteArray::fromStdString(c.stored));
    widgets::DbRichMemo memo;
    memo.setDataSource(&bound.source);
    EXPECT_EQ(memo.toPlainText(), c.shown);
    EXPECT_EQ(memo.showsRichText(), rtf::isRtf(c.stored));
    memo.moveCursor(QTextCursor::Start);
    QTest::keyClicks(&memo, "X");
    memo.textCursor().insertText(QString::fromUtf8("\xC5\x81"));  // not in Windows-1252
    const std::string stored = bound.table.bytes("Info").toStdString();
    if (memo.showsRichText()) {
      EXPECT_TRUE(rtf::isRtf(stored)) << stored;
      EXPECT_EQ(rtf::plainText(rtf::read(stored)), "XHello world");
      EXPECT_EQ(rtf::read(stored).paragraphs[0].runs[1].format.bold, true) << stored;
    } else {
      EXPECT_EQ(stored, c.afterTyping);
    }
  }
}

TEST(DbRichMemo, ReadOnlyWhileBrowsingAndFollowsTheRecord) {
  BoundTable bound({"Ann", "Bob"});
  widgets::DbRichMemo memo;
  memo.setDataSource(&bound.source);
  EXPECT_TRUE(memo.isReadOnly());
  QTest::keyClicks(&memo, "X");
  EXPECT_EQ(memo.toPlainText(), "line one\nline two of Ann");
  bound.table.next();
  EXPECT_EQ(memo.toPlainText(), "line one\nline two of Bob");
  bound.table.edit();
  EXPECT_FALSE(memo.isReadOnly());
}

}  // namespace
