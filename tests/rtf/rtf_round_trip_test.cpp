// Writing: read -> write -> read gives the same document, and damaged or
// hostile markup reads in part without crashing or hanging.
#include <gtest/gtest.h>

#include <string>

#include "rtf/reader.h"
#include "rtf/writer.h"
#include "rtf_samples.h"

namespace {

void expectRoundTrip(const rtf::Document& document, const std::string& label) {
  const std::string written = rtf::write(document);
  EXPECT_TRUE(rtf::isRtf(written)) << label;
  for (const char c : written) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << label;
  EXPECT_EQ(rtf::read(written), document) << label << "\n" << written;
}

TEST(RtfWrite, ReadWriteReadKeepsTheDocument) {
  for (const char* sample :
       {rtf_samples::kFormatted, "{\\rtf1 a\\par\\par\\tab b\\line c{\\b\\'7b\\'5c\\u8364?}\\par}",
        "{\\rtf1{\\fonttbl{\\f5 A;}}{\\colortbl\\red1\\green2\\blue3;;}\\f5\\cf1 x\\plain y\\cf1\\fs0 z}"})
    expectRoundTrip(rtf::read(sample), sample);
}

TEST(RtfWrite, EveryByteFormatAndNameSurvives) {
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  rtf::Document d;
  d.fonts = {{"Courier New"}, {"Odd; {name}\\\xe9"}};
  d.colors = {{}, {false, 0, 128, 255}};
  const rtf::CharFormat special{true, true, true, 1, 7, 1};
  const rtf::CharFormat noFont{false, false, true, -1, rtf::kMaxHalfPoints, 0};
  d.paragraphs = {{{{{}, bytes}}},
                  {},
                  {{{special, "{x}"}, {noFont, "2 digits after a word"}, {{false, false, false, 0, 24, 0}, " "}}}};
  expectRoundTrip(d, "constructed");
  // Bytes from 128 on are written as hex escapes.
  EXPECT_NE(rtf::write(d).find("\\'e9"), std::string::npos);
}

TEST(RtfRead, HostileMarkupReadsInPart) {
  const std::string deep = std::string(100000, '{') + "deep" + std::string(100000, '}');
  std::string manyFonts = "{\\rtf1{\\fonttbl", switches;
  for (int i = 0; i < 50000; ++i) {
    manyFonts += "\\f" + std::to_string(i) + " F;";
    switches += "\\f" + std::to_string(i) + " x";
  }
  manyFonts += "}" + switches + "}";
  struct Case {
    std::string rtf;
    std::string text;
  };
  const Case cases[] = {
      {"{\\rtf1 a{{{b{\\b", "ab"},
      {"{\\rtf1 a}}}}b", "a"},
      {"{\\rtf1 x" + deep + "after}", "xafter"},
      {"{\\rtf1{\\b " + deep + "}plain}", "plain"},
      {"{\\rtf1 a\\bin999999999999 lost}", "a"},
      {"{\\rtf1 a\\bin-5 b\\bin}", "ab"},
      {"{\\rtf1 a\\'", "a"},
      {"{\\rtf1 a\\'4", "a"},
      {"{\\rtf1 a\\'4x", "ax"},
      {"{\\rtf1 a\\", "a"},
      {"{\\rtf1 a\\u", "a"},
      {"{\\rtf1 a\\u-", "a-"},
      {"{\\rtf1 a\\u99999999999999999999 b", "a?"},
      {"{\\rtf1 \\uc999999999\\u233 gone}x", "\xe9"},
      {"{\\rtf1 a\\abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz99999999999999999 b}", "ab"},
      {manyFonts, std::string(50000, 'x')},  // in time proportional to the input
  };
  for (const Case& c : cases) EXPECT_EQ(rtf::plainText(rtf::read(c.rtf)), c.text) << c.rtf.substr(0, 80);

  // Absurd sizes are held to the largest size there is.
  const rtf::Document big = rtf::read("{\\rtf1\\fs99999999999 big\\fs-4 small}");
  ASSERT_EQ(big.paragraphs.size(), 1u);
  EXPECT_EQ(big.paragraphs[0].runs[0].format.halfPoints, rtf::kMaxHalfPoints);
  EXPECT_EQ(big.paragraphs[0].runs[1].format.halfPoints, rtf::kDefaultHalfPoints);
}

// The text is in the table's code page: \uN and named characters map into
// it, \'hh escapes come from the markup's \ansicpg, and the writer names
// the page so that its own output reads back unchanged.
TEST(RtfCodePage, TextInTheTablesCodePage) {
  const codepage::CodePage central = *codepage::CodePage::fromNumber(1250);
  struct Case {
    std::string rtf;
    std::string text;
  };
  const Case cases[] = {
      {"{\\rtf1 \\u321?\\u243?d\\u378?\\emdash}",
       "\xa3\xf3"
       "d\x9f\x97"},
      {"{\\rtf1\\ansi\\ansicpg1250 \\'a3}", "\xa3"},
      {"{\\rtf1\\ansi\\ansicpg1252 \\'a3\\'e8\\'f3}", "??\xf3"},  // £ and è are not in 1250
      {"{\\rtf1\\ansi\\ansicpg1251 \\'c0}", "?"},
      {"{\\rtf1\\ansi\\ansicpg99999 \\'a3}", "\xa3"},  // an unknown page: the table's
  };
  for (const Case& c : cases) EXPECT_EQ(rtf::plainText(rtf::read(c.rtf, central)), c.text) << c.rtf;

  rtf::Document document;
  document.paragraphs.push_back(rtf::Paragraph{{rtf::Run{{},
                                                         "\xa3\xf3"
                                                         "d\x9f"}}});
  const std::string markup = rtf::write(document, central);
  EXPECT_NE(markup.find("\\ansicpg1250"), std::string::npos) << markup;
  EXPECT_EQ(rtf::plainText(rtf::read(markup, central)),
            "\xa3\xf3"
            "d\x9f");
}

}  // namespace
