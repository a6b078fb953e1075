#include "report/address_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "report/fixed_metrics.h"

namespace {

using report::AddressReportSettings;
using report::Page;
using report::ReportEntry;
using Lines = std::vector<std::string>;

// Characters 20 tenths of a millimetre wide, lines 40 high.
const report::ReportMetrics kMetrics = reporttest::fixedReportMetrics(20, 40);
constexpr double kBodyLimit = 2794 - 127;  // the paper less its bottom margin

report::EntrySource entries(std::vector<ReportEntry> list, int* taken = nullptr) {
  return [list = std::move(list), next = std::size_t{0}, taken]() mutable -> std::optional<ReportEntry> {
    if (next == list.size()) return std::nullopt;
    if (taken) ++*taken;
    return list[next++];
  };
}

AddressReportSettings settings(bool memo = true, bool textOutput = false) {
  AddressReportSettings s;
  s.memo = memo;
  s.textOutput = textOutput;
  s.caption = "Kestrane 3.0 Cardlark";
  s.date = "03/07/26";
  s.recordCount = 1;
  return s;
}

// "x y AF text": position to a hundredth, L/R alignment, -/B font.
Lines describe(const Page& page) {
  Lines lines;
  for (const report::TextRun& run : page.texts) {
    char head[64];
    std::snprintf(head, sizeof head, "%.2f %.2f %c%c ", run.x, run.y,
                  run.alignment == report::Alignment::Right ? 'R' : 'L',
                  run.font == report::FontStyle::Bold ? 'B' : '-');
    lines.push_back(head + run.text);
  }
  return lines;
}

Lines textsOf(const std::vector<Page>& pages, report::FontStyle font) {
  Lines texts;
  for (const Page& page : pages) {
    for (const report::TextRun& run : page.texts) {
      if (run.font == font) texts.push_back(run.text);
    }
  }
  return texts;
}

TEST(AddressReport, PageHoldsHeaderEntryAndFramedClosingLine) {
  const auto pages = report::layoutAddressReport(settings(), kMetrics, entries({{"Adams, Ann", "Phone 555\r\nNote"}}));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(describe(pages[0]), (Lines{
                                    "287.87 143.93 L- Kestrane 3.0 Cardlark",
                                    "1028.70 143.93 L- Date Run:",
                                    "1214.97 143.93 L- 03/07/26",
                                    "1397.00 143.93 L- Records:",
                                    "1591.73 143.93 L- 1",
                                    "1833.03 143.93 L- Page:",
                                    "2032.00 143.93 R- 1",
                                    "254.00 228.60 LB Adams, Ann",
                                    "254.00 279.40 L- Phone 555",
                                    "254.00 319.40 L- Note",
                                    // The detail band grew by one line to 167.
                                    "663.00 417.77 L-  Produced by Kestrane Cardlark  www.kestrane.com",
                                }));
  ASSERT_EQ(pages[0].rules.size(), 5u);
  const report::RuleLine top = pages[0].rules[0];
  EXPECT_EQ(top.style, report::PenStyle::DashDotDot);
  EXPECT_NEAR(top.y1, 211.67, 0.01);
  EXPECT_EQ(top.x1, 254);
  EXPECT_EQ(top.x2, 2032);
  // The frame: 962 wide (48 characters and two pen widths), one line high.
  EXPECT_EQ(pages[0].rules[1].x1, 662);
  EXPECT_EQ(pages[0].rules[2].x2, 662 + 962);
  EXPECT_NEAR(pages[0].rules[3].y2 - pages[0].rules[1].y1, 41, 1e-9);
}

TEST(AddressReport, OptionsRemoveMemoHeaderCountAndClosingLine) {
  struct Case {
    bool memo;
    bool textOutput;
    bool counted;
    std::size_t rules;  // the frame is four
    Lines page;
  };
  const Case cases[] = {
      // Without the memo: names alone, 74.08 apart, no separating line.
      {false,
       false,
       false,
       4,
       {"287.87 143.93 L- Kestrane 3.0 Cardlark", "1028.70 143.93 L- Date Run:", "1214.97 143.93 L- 03/07/26",
        "1833.03 143.93 L- Page:", "2032.00 143.93 R- 1", "254.00 228.60 LB Adams", "254.00 302.68 LB Baker",
        "663.00 398.93 L-  Produced by Kestrane Cardlark  www.kestrane.com"}},
      // For text output: no margin, no header, no closing line, the memo
      // 32 layout pixels right of the name.
      {true, true, true, 2, {"0.00 143.93 LB Adams", "67.73 194.73 L- memo", "0.00 270.93 LB Baker"}},
      {false, true, true, 0, {"0.00 143.93 LB Adams", "0.00 218.02 LB Baker"}},
  };
  for (const Case& c : cases) {
    AddressReportSettings s = settings(c.memo, c.textOutput);
    if (!c.counted) s.recordCount.reset();
    const auto pages = report::layoutAddressReport(s, kMetrics, entries({{"Adams", "memo"}, {"Baker", ""}}));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(describe(pages[0]), c.page) << c.memo << c.textOutput;
    EXPECT_EQ(pages[0].rules.size(), c.rules);
  }
}

TEST(AddressReport, RichTextAndBareLineFeedMemosPrintTheirLines) {
  const auto pages = report::layoutAddressReport(
      settings(true, true), kMetrics,
      entries({{"Adams", "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 one \\b two\\b0\\par three}"},
               // as the rich memo writes it: markup lines ended by bare LFs
               {"Baker", "{\\rtf1\\ansi\n{\\fonttbl{\\f0 Arial;}}\nfour\\par\nfive\\line six\n}"},
               {"Cole", "unix\nlf"}}));
  EXPECT_EQ(textsOf(pages, report::FontStyle::Regular),
            (Lines{"one two", "three", "four", "five", "six", "unix", "lf"}));
}

TEST(AddressReport, BandThatDoesNotFitStartsTheNextPageWithItsHeader) {
  std::vector<ReportEntry> list;
  for (int i = 0; i < 25; ++i) list.push_back({"Name " + std::to_string(i), "one line"});
  const auto pages = report::layoutAddressReport(settings(), kMetrics, entries(list));
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(textsOf({pages[0]}, report::FontStyle::Bold).size(), 19u);
  const Lines second = describe(pages[1]);
  EXPECT_EQ(second[6], "2032.00 143.93 R- 2");
  EXPECT_EQ(second[7], "254.00 228.60 LB Name 19");
  EXPECT_EQ(pages[1].number, 2);
}

TEST(AddressReport, LongMemoContinuesOnFollowingPagesWithoutItsName) {
  std::string memo;
  Lines expected;
  for (int i = 0; i < 200; ++i) {
    expected.push_back("line " + std::to_string(i));
    memo += expected.back() + "\r\n";
  }
  const auto pages = report::layoutAddressReport(settings(), kMetrics, entries({{"Long", memo}, {"Next", "after"}}));
  ASSERT_EQ(pages.size(), 4u);
  expected.push_back("after");
  Lines memoTexts;
  for (const Page& page : pages) {
    for (const report::TextRun& run : page.texts) {
      if (run.text.rfind("line ", 0) == 0 || run.text == "after") memoTexts.push_back(run.text);
      EXPECT_LE(run.y + 40, kBodyLimit + 1) << run.text;
    }
  }
  EXPECT_EQ(memoTexts, expected);
  EXPECT_EQ(textsOf(pages, report::FontStyle::Bold), (Lines{"Long", "Next"}));
  // Page 1 holds 59 lines; page 2 goes on right below its header.
  const Lines second = describe(pages[1]);
  EXPECT_EQ(second[7], "254.00 211.67 L- line 59");
  EXPECT_EQ(second[8], "254.00 251.67 L- line 60");
}

TEST(AddressReport, EmptyTablePrintsNothing) {
  EXPECT_TRUE(report::layoutAddressReport(settings(), kMetrics, entries({})).empty());
}

TEST(AddressReport, FirstPageIsReadyBeforeTheTableIsRead) {
  std::vector<ReportEntry> list(1000, ReportEntry{"Name", "memo"});
  int taken = 0;
  report::AddressReportLayout layout(settings(), kMetrics, entries(list, &taken));
  ASSERT_TRUE(layout.nextPage());
  EXPECT_LE(taken, 20);
  int pages = 1;
  while (layout.nextPage()) ++pages;
  EXPECT_EQ(taken, 1000);
  EXPECT_EQ(pages, 53);
}

}  // namespace
