#include "report/text_export.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "report/address_report.h"
#include "report/fixed_metrics.h"

namespace {

using report::Alignment;
using report::TextRun;

constexpr double kCell = 10 * 3.5277777777777777;  // 10 pt in tenths of a millimetre

// The X of column c (X / cell width * 1.7) and the Y of row r.
double column(double c) { return c * kCell / 1.7; }
double row(double r) { return r * kCell; }

report::PageSetup letter() {
  report::PageSetup setup;
  setup.paperWidth = 2159;
  setup.paperHeight = 2794;
  return setup;
}

TEST(TextExport, CellsComeFromTheFontAndTheRowsFromThePage) {
  std::ostringstream out;
  report::TextExportFilter filter(out);
  filter.start(2159, 2794, 10);
  EXPECT_NEAR(filter.cellHeight(), 35.28, 0.005);
  EXPECT_EQ(filter.cellWidth(), filter.cellHeight());
  EXPECT_EQ(filter.rowCount(), 79);
}

TEST(TextExport, ItemsGoToTheirCellsByteForByte) {
  report::Page first;
  first.texts = {
      TextRun{0, row(0), Alignment::Left, {}, "hello"},
      // Overwrites from column 2 over its own length.
      TextRun{column(2), row(0.2), Alignment::Left, {}, "XY"},
      // Right-justified: moved left by its length.
      TextRun{column(10), row(1), Alignment::Right, {}, "end"},
      // Bytes above 127 pass unchanged; an empty text still pads its row.
      TextRun{0, row(3), Alignment::Left, {}, "caf\xE9"},
      TextRun{column(3.3), row(5), Alignment::Left, {}, ""},
      // Beyond the page's 79 rows, beyond the row table, above the page.
      TextRun{0, row(79), Alignment::Left, {}, "below"},
      TextRun{0, row(250), Alignment::Left, {}, "far below"},
      TextRun{0, row(-1), Alignment::Left, {}, "above"},
      // Right-justified past the left edge: inserted at the start.
      TextRun{column(1), row(6), Alignment::Left, {}, "tail"},
      TextRun{column(2), row(6), Alignment::Right, {}, "head "},
  };
  report::Page empty;
  report::Page second;
  second.texts = {TextRun{column(4), row(2), Alignment::Left, {}, "p2"}};
  EXPECT_EQ(report::exportText({first, empty, second}, letter(), 10),
            "hXYlo\r\n"
            "      end\r\n"
            "caf\xE9\r\n"
            "   \r\n"
            "head tail\r\n"
            "   p2\r\n");
  EXPECT_EQ(report::exportText({}, letter(), 10), "");
}

TEST(TextExport, TextOutputReportGivesNamesAndIndentedMemos) {
  report::AddressReportSettings settings;
  settings.textOutput = true;
  std::vector<report::ReportEntry> list{{"Adams, Ann", "Phone: 555\r\n\r\nNote"}, {"M\xFCller", ""}};
  report::AddressReportLayout layout(settings, reporttest::fixedReportMetrics(20, 40),
                                     [&list, next = std::size_t{0}]() mutable -> std::optional<report::ReportEntry> {
                                       if (next == list.size()) return std::nullopt;
                                       return list[next++];
                                     });
  std::ostringstream out;
  report::TextExportFilter filter(out);
  filter.start(layout.pageSetup().paperWidth, layout.pageSetup().paperHeight, report::kReportFontPoints);
  while (std::optional<report::Page> page = layout.nextPage()) report::exportPage(filter, *page);
  filter.finish();
  EXPECT_EQ(out.str(),
            "Adams, Ann\r\n"
            "  Phone: 555\r\n"
            "   \r\n"
            "  Note\r\n"
            "M\xFCller\r\n");
}

}  // namespace
