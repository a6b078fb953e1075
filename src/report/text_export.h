#pragma once

#include <array>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "report/report_page.h"

namespace report {

// Writes a report as plain text: each page becomes rows of character cells
// as big as the report font, items go to the cells their positions fall in,
// and the page's non-empty rows are written with CR LF. Bytes are written as
// they stand, nothing is converted. Positions are in tenths of a millimetre.
class TextExportFilter {
 public:
  static constexpr char kDescription[] = "Text export (ASCII) filter";
  static constexpr char kExtension[] = "TXT";
  static constexpr char kFileType[] = "Text file";
  static constexpr int kRowLimit = 201;  // rows 0 to 200 are kept

  explicit TextExportFilter(std::ostream& out) : out_(out) {}

  void start(double pageWidth, double pageHeight, double fontPoints);
  void newPage();
  void textOut(double x, double y, Alignment alignment, std::string_view text);
  void endPage();
  void finish();

  double cellHeight() const { return cellHeight_; }
  double cellWidth() const { return cellWidth_; }
  long long rowCount() const { return rowCount_; }

 private:
  std::ostream& out_;
  double cellHeight_ = 0;
  double cellWidth_ = 0;
  long long rowCount_ = 0;
  std::array<std::string, kRowLimit> rows_;
};

// Hands one laid-out page to the filter: new page, its texts in printing
// order, end page.
void exportPage(TextExportFilter& filter, const Page& page);

// The whole text file of the given pages, as bytes.
std::string exportText(const std::vector<Page>& pages, const PageSetup& setup, double fontPoints);

}  // namespace report
