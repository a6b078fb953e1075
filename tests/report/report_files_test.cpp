// The record choices' filter expressions and the prepared-report file.

#include <gtest/gtest.h>

#include "report/prepared_report.h"
#include "report/record_selection.h"
#include "xbase/expr/expression.h"

namespace report {
namespace {

TEST(RecordSelectionTest, ExpressionsOfTheChoices) {
  const struct {
    std::string got;
    std::string expected;
  } cases[] = {
      {currentExpression("SMITH, ANN"), R"(upper(Name)="SMITH, ANN")"},
      {rangeExpression("WALKER", "ADAMS"), R"(upper(Name) >= "ADAMS" AND upper(Name) <= "WALKER")"},
      {rangeExpression("ADAMS", "WALKER"), R"(upper(Name) >= "ADAMS" AND upper(Name) <= "WALKER")"},
      // Bytes above 127 compare unsigned: they sort after the letters.
      {rangeExpression("\xC9MILE", "ZOE"), "upper(Name) >= \"ZOE\" AND upper(Name) <= \"\xC9MILE\""},
      {selectedExpression({"Baker", "Cole", "Dunn"}), R"(Name="Baker" OR Name="Cole" OR Name="Dunn")"},
      // A name holding a double quote takes another delimiter; one holding
      // all three is spelled in pieces.
      {currentExpression(R"(BOB "THE BUILDER")"), R"(upper(Name)='BOB "THE BUILDER"')"},
      {selectedExpression({R"(O'Neil "Jr")"}), R"(Name=[O'Neil "Jr"])"},
      {textExpression(R"(a"b'c]d)"), R"([a"b'c]+"]d")"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(RecordSelectionTest, EveryNameGivesAnExpressionMatchingItExactly) {
  const xbase::RecordLayout layout = xbase::RecordLayout::fromFields({{"NAME", 'C', 30, 0}});
  for (const std::string name : {R"(a"b'c]d)", R"("'])", "plain", R"(x"y)"}) {
    std::string record = " " + name;
    record.resize(31, ' ');
    const auto expression = xbase::Expression::parse(selectedExpression({name}), layout);
    EXPECT_TRUE(expression.matches(record, {true})) << name;
  }
}

PreparedReport sampleReport() {
  PreparedReport report;
  report.setup = {2159, 2794, 254, 127, 127, 127, *codepage::CodePage::fromNumber(1250)};
  Page page;
  page.number = 1;
  page.texts = {{10, 20, Alignment::Left, FontStyle::Bold, "Name \xE9"},
                {2000, 20, Alignment::Right, FontStyle::Regular, "1"}};
  page.rules = {{0, 5, 1778, 5, PenStyle::DashDotDot}};
  report.pages = {page, Page{2, {}, {}}};
  return report;
}

TEST(PreparedReportTest, RoundTripsAndRefusesDamagedFiles) {
  const PreparedReport original = sampleReport();
  const std::string bytes = writePreparedReport(original);
  const PreparedReport loaded = readPreparedReport(bytes);
  ASSERT_EQ(loaded.pages.size(), 2u);
  EXPECT_EQ(loaded.pages[0].texts, original.pages[0].texts);
  EXPECT_EQ(loaded.pages[0].rules, original.pages[0].rules);
  EXPECT_EQ(loaded.setup.leftMargin, 254);
  EXPECT_EQ(loaded.setup.codePage.number(), 1250);

  std::string flipped = bytes;
  flipped[60] ^= 0x10;
  std::string version = bytes;
  version[8] = 3;
  const std::string damaged[] = {
      "", "CLRPT", bytes.substr(0, bytes.size() - 1), bytes + "x", flipped, "XXXXXXXX" + bytes.substr(8), version};
  for (const std::string& file : damaged) EXPECT_THROW(readPreparedReport(file), PreparedReportError) << file.size();
}

}  // namespace
}  // namespace report
