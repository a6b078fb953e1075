#include "report/text_export.h"

#include <sstream>

#include "report/report_units.h"

namespace report {

void TextExportFilter::start(double pageWidth, double pageHeight, double fontPoints) {
  (void)pageWidth;
  cellHeight_ = fontPoints * kTenthsPerPoint;
  cellWidth_ = cellHeight_;
  rowCount_ = cellHeight_ > 0 ? roundHalfEven(pageHeight / cellHeight_) : 0;
}

void TextExportFilter::newPage() {
  for (std::string& row : rows_) row.clear();
}

void TextExportFilter::textOut(double x, double y, Alignment alignment, std::string_view text) {
  if (cellHeight_ <= 0) return;
  double column = x / cellWidth_ * 1.7;
  const long long row = roundHalfEven(y / cellHeight_);
  if (row < 0 || row >= kRowLimit) return;  // outside the row table: not kept
  if (alignment == Alignment::Right) column -= static_cast<double>(text.size());

  std::string& line = rows_[static_cast<std::size_t>(row)];
  const long long at = roundHalfEven(column);  // counted from 1
  if (column > static_cast<double>(line.size()) && at > static_cast<long long>(line.size())) {
    line.resize(static_cast<std::size_t>(at), ' ');
  }
  if (at < 1) {
    line.insert(0, text);
  } else if (at > static_cast<long long>(line.size())) {
    line.append(text);
  } else {
    // Overwrite: the later text replaces as many characters as it has.
    const auto index = static_cast<std::size_t>(at - 1);
    line.replace(index, text.size(), text);
  }
}

void TextExportFilter::endPage() {
  for (long long row = 0; row < rowCount_ && row < kRowLimit; ++row) {
    const std::string& line = rows_[static_cast<std::size_t>(row)];
    if (!line.empty()) out_ << line << "\r\n";
  }
}

void TextExportFilter::finish() { out_.flush(); }

void exportPage(TextExportFilter& filter, const Page& page) {
  filter.newPage();
  for (const TextRun& run : page.texts) filter.textOut(run.x, run.y, run.alignment, run.text);
  filter.endPage();
}

std::string exportText(const std::vector<Page>& pages, const PageSetup& setup, double fontPoints) {
  std::ostringstream out;
  TextExportFilter filter(out);
  filter.start(setup.paperWidth, setup.paperHeight, fontPoints);
  for (const Page& page : pages) exportPage(filter, page);
  filter.finish();
  return out.str();
}

}  // namespace report
