#include "report/text_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/report_units.h"

namespace {

using Lines = std::vector<std::string>;

// One character is one unit wide: an item width of 4 holds four characters.
double charCount(std::string_view text) { return static_cast<double>(text.size()); }

struct BlockCase {
  const char* text;
  double width;
  bool autoSize;
  Lines lines;
};

TEST(TextLayout, BlocksBreakIntoLines) {
  const BlockCase cases[] = {
      {"", 10, false, {""}},
      {"abc def", 20, false, {"abc def"}},
      // The blank or hyphen stays at the end of the line it breaks.
      {"aaa bbb ccc", 8, false, {"aaa bbb ", "ccc"}},
      {"well-known fact", 6, false, {"well-", "known ", "fact"}},
      // A word too wide alone keeps what stays strictly narrower than the
      // item; the block still ends with its (empty) current line.
      {"abcdefghij", 4, false, {"abc", ""}},
      // After other words it gets a line of its own, cut until no wider.
      {"ab cdefghij", 4, false, {"ab ", "cdef", ""}},
      {"ab cdefghij kl", 4, false, {"ab ", "cdef", "kl"}},
      {"ab cd", 0, false, {"", "", ""}},
      // Line feeds go first; each carriage return cuts a block.
      {"ab\ncd", 10, false, {"abcd"}},
      {"ab\r\ncd\r", 10, false, {"ab", "cd", ""}},
      {"aaa bbb\rc", 4, false, {"aaa ", "bbb", "c"}},
      // Auto size: each block is one line, whatever its width.
      {"a very long name", 3, true, {"a very long name"}},
      {"first\rsecond", 3, true, {"first", "second"}},
  };
  for (const BlockCase& c : cases) {
    EXPECT_EQ(report::formatText(c.text, {c.width, c.autoSize}, charCount), c.lines) << '"' << c.text << '"';
  }
}

TEST(MemoLayout, EachMemoLineIsABlock) {
  EXPECT_EQ(report::memoLines(""), Lines{});
  EXPECT_EQ(report::memoLines("one\r\n"), Lines{"one"});
  EXPECT_EQ(report::memoLines("one\r\n\r\nthree\r\n\r\n"), (Lines{"one", "", "three", ""}));
  EXPECT_EQ(report::formatLines(report::memoLines("one\r\n\r\nthree"), {10, false}, charCount),
            (Lines{"one", "", "three"}));
  // A bare LF or CR ends a line as CR LF does.
  EXPECT_EQ(report::memoLines("unix\nlf\rmac\r\n\ndos\n"), (Lines{"unix", "lf", "mac", "", "dos"}));
  EXPECT_EQ(report::formatLines(report::memoLines("lone\nfeed\r\ntwo parts"), {8, false}, charCount),
            (Lines{"lone", "feed", "two ", "parts"}));
}

TEST(MemoLayout, LongWordWithoutBlankIsCutInFewMeasurements) {
  int calls = 0;
  const report::WidthFunction counting = [&calls](std::string_view text) {
    ++calls;
    return charCount(text);
  };
  const std::string word(70000, 'x');
  EXPECT_EQ(report::formatText(word, {100, false}, counting), (Lines{std::string(99, 'x'), ""}));
  EXPECT_EQ(report::formatText("ab " + word, {100, false}, counting), (Lines{"ab ", std::string(100, 'x'), ""}));
  EXPECT_LT(calls, 200);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, long long> cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},   {2.51, 3},
                                                {-0.5, 0}, {-1.5, -2}, {-1.2, -1}, {79.2, 79}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(report::roundHalfEven(value), rounded) << value;
}

}  // namespace
