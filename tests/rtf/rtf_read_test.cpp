// Reading RTF as word processors write it: text, escapes, destinations and
// the formatting of runs.
#include <gtest/gtest.h>

#include "rtf/reader.h"
#include "rtf_samples.h"

namespace {

TEST(RtfRead, TextEscapesAndDestinations) {
  struct Case {
    const char* rtf;
    const char* text;
  };
  const Case cases[] = {
      {"{\\rtf1 a\\tab b\\line c\\par d\\par}", "a\tb\r\nc\r\nd"},
      {"{\\rtf1 Caf\\'e9 \\{x\\} a\\\\b\\~c\\emdash\\ldblquote}",
       "Caf\xe9 {x} a\\b\xa0"
       "c\x97\x93"},
      {"{\\rtf1 line\r\none\\\nnext}", "lineone\r\nnext"},
      // Unicode: fallback skipped, \ucN counts, braces end the fallback.
      {"{\\rtf1\\uc1 \\u8364?\\u1046?\\u233\\'e9 x}", "\x80?\xe9 x"},
      {"{\\rtf1 \\uc2\\u8364 EUx\\uc0\\u233 y}", "\x80x\xe9y"},
      {"{\\rtf1\\uc2 \\u233{x}y}", "\xe9xy"},
      {"{\\rtf1 \\u-10179?\\u-8704?!}", "?!"},  // one character outside 16 bits
      // Destinations and words the memo has no use for.
      {"{\\rtf1{\\*\\generator W;}{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}"
       "\\lang1031\\expndtw-2\\foo{\\*\\unknown {nested} x}shown}",
       "shown"},
      {"{\\rtf1 a{\\pict\\wmetafile8 0100ff}b{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}", "ablink"},
      {"{\\rtf1 a\\bin3 {}\\b{\\*\\blob\\bin2 }}}c}", "abc"},
      {"{\\rtf1 {\\pntext 1.\\tab}item\\par}", "1.\titem"},
      {"{\\rtf1 kept} dropped", "kept"},
      {"plain memo", "plain memo"},
  };
  for (const Case& c : cases) EXPECT_EQ(rtf::plainText(rtf::read(c.rtf)), c.text) << c.rtf;
}

TEST(RtfRead, TablesAndRunFormats) {
  const rtf::Document d = rtf::read(rtf_samples::kFormatted);
  EXPECT_EQ(d.fonts, (std::vector<rtf::Font>{{"Arial"}, {"Times New Roman"}}));
  EXPECT_EQ(d.colors, (std::vector<rtf::Color>{{}, {false, 255, 0, 0}, {false, 0, 0, 128}}));

  const rtf::CharFormat plain{false, false, false, 0, 20, 0};
  rtf::CharFormat bold = plain, both = plain, under = plain, red{false, false, false, 1, 32, 1};
  bold.bold = both.bold = both.italic = under.underline = true;
  const std::vector<rtf::Run> first = {{plain, "Plain "}, {bold, "bold "}, {both, "both"}, {plain, " "},
                                       {under, "under"},  {plain, " "},    {red, "red"}};
  ASSERT_EQ(d.paragraphs.size(), 2u);
  EXPECT_EQ(d.paragraphs[0].runs, first);
  // \plain goes back to the default font and size, not to no font.
  EXPECT_EQ(d.paragraphs[1].runs, (std::vector<rtf::Run>{{{false, false, false, 0, 24, 0}, "after"}}));
}

TEST(RtfRead, FlatFontTableUnknownNumbersAndSwitches) {
  const rtf::Document d = rtf::read(
      "{\\rtf1{\\fonttbl\\f3 Courier;\\f7\\'41rial\\'3b x}\\f7 a\\f9 b\\cf5\\b0\\i\\i0\\ul0 c}");
  EXPECT_EQ(d.fonts, (std::vector<rtf::Font>{{"Courier"}, {"Arial; x"}}));
  ASSERT_EQ(d.paragraphs.size(), 1u);
  const auto& runs = d.paragraphs[0].runs;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].format.font, 1);
  EXPECT_EQ(runs[1].text, "bc");  // unknown font and colour: the defaults
  EXPECT_EQ(runs[1].format, rtf::CharFormat{});
}

TEST(RtfRead, DetectionAndPlainText) {
  EXPECT_TRUE(rtf::isRtf("{\\rtf1\\ansi x}"));
  EXPECT_TRUE(rtf::isRtf("{\\rtf"));
  for (const char* other : {"", "{\\rt", " {\\rtf1", "rtf", "{\\RTF1", "Call {\\rtf1 later"})
    EXPECT_FALSE(rtf::isRtf(other)) << other;
  EXPECT_EQ(rtf::plainText(rtf::read("{\\rtf1 a\\par\\par b}")), "a\r\n\r\nb");
  EXPECT_TRUE(rtf::read("{\\rtf1 }").paragraphs.empty());
}

}  // namespace
