// Code pages: every byte of every page survives a round trip, the header
// marks name the right pages, and characters outside a page are refused.
#include <gtest/gtest.h>

#include <set>

#include "codepage/code_page.h"

namespace {

using codepage::CodePage;

TEST(CodePage, EveryByteOfEveryPageRoundTrips) {
  std::set<int> marks;
  for (const int number : CodePage::numbers()) {
    const CodePage page = *CodePage::fromNumber(number);
    EXPECT_EQ(page.number(), number);
    EXPECT_EQ(CodePage::fromMark(page.mark()).number(), number);
    EXPECT_TRUE(marks.insert(page.mark()).second) << number;
    std::set<char32_t> characters;
    for (int byte = 0; byte < 256; ++byte) {
      const char32_t code = page.toUnicode(static_cast<unsigned char>(byte));
      EXPECT_TRUE(characters.insert(code).second) << number << " byte " << byte;
      EXPECT_EQ(page.fromUnicode(code), static_cast<char>(byte)) << number << " byte " << byte;
    }
  }
  EXPECT_EQ(marks.size(), 19u);
}

TEST(CodePage, MarksNameTheirPages) {
  struct Case {
    std::uint8_t mark;
    int number;
    unsigned char byte;
    char32_t character;
  };
  const Case cases[] = {
      {0x03, 1252, 0x80, 0x20AC},   // €
      {0x03, 1252, 0x81, 0x0081},   // unassigned: the C1 control
      {0x00, 1252, 0x8A, 0x0160},   // no mark: Windows-1252
      {0xC8, 1250, 0xA3, 0x0141},   // Ł
      {0xC9, 1251, 0xC0, 0x0410},   // А
      {0xCB, 1253, 0xC1, 0x0391},   // Α
      {0xCB, 1253, 0xAA, 0xF7AA},   // unassigned above 0x9F: private use
      {0xCA, 1254, 0xF0, 0x011F},   // ğ
      {0x01, 437, 0x80, 0x00C7},    // Ç
      {0x02, 850, 0x9B, 0x00F8},    // ø
      {0x64, 852, 0x9D, 0x0141},    // Ł
      {0x65, 866, 0x80, 0x0410},    // А
      {0x04, 10000, 0x80, 0x00C4},  // Ä
  };
  for (const Case& c : cases) {
    const CodePage page = CodePage::fromMark(c.mark);
    EXPECT_EQ(page.number(), c.number) << int(c.mark);
    EXPECT_EQ(page.toUnicode(c.byte), c.character) << c.number;
  }
  EXPECT_FALSE(CodePage::fromNumber(65001));
  EXPECT_EQ(CodePage(), CodePage::fromMark(0));
}

TEST(CodePage, RefusesWhatThePageCannotHold) {
  const CodePage ansi;
  const CodePage central = *CodePage::fromNumber(1250);
  EXPECT_FALSE(ansi.canHold(0x0141));  // Ł
  EXPECT_TRUE(central.canHold(0x0141));
  EXPECT_FALSE(central.canHold(0x00E8));  // è
  EXPECT_FALSE(ansi.canHold(0x65E5));     // 日
  EXPECT_FALSE(ansi.canHold(0x1F600));
  EXPECT_FALSE(ansi.canHold(0xF7AA));  // another page's private-use byte

  // A mark naming no page known here: ASCII, and each byte from 0x80 as
  // itself in private use, so nothing is misread or written in another set.
  const CodePage unknown = CodePage::fromMark(0x7B);
  EXPECT_EQ(unknown.number(), 0);
  EXPECT_EQ(unknown.mark(), 0x7B);
  for (int byte = 0; byte < 256; ++byte)
    EXPECT_EQ(unknown.fromUnicode(unknown.toUnicode(static_cast<unsigned char>(byte))), static_cast<char>(byte));
  EXPECT_FALSE(unknown.canHold(0x00E9));
}

TEST(CodePage, Utf8OfTableBytes) {
  EXPECT_EQ(codepage::toUtf8("a\xa3\x80", *CodePage::fromNumber(1250)), "a\u0141\u20AC");
  EXPECT_EQ(codepage::toUtf8("\x81", CodePage()), "\xC2\x81");
  std::string out;
  codepage::appendUtf8(out, 0x1F600);
  EXPECT_EQ(out, "\xF0\x9F\x98\x80");
}

}  // namespace
