#include "report/page_flow.h"

#include <cmath>
#include <utility>

#include "report/report_units.h"
#include "report/text_layout.h"

namespace report {

void fitToText(BandItem& item, const ReportMetrics& metrics) {
  const FontMetrics& font = metrics.of(item.font);
  const double width = widestLine(item.lines, font.width) + (item.framed ? 2 * kPenWidth : 0);
  if (item.anchor == ItemAnchor::Right) item.left += item.width - width;
  if (item.anchor == ItemAnchor::Centre) item.left += std::floor((item.width - width) / 2);
  item.width = width;
  if (item.height < font.lineHeight + 1) item.height = font.lineHeight + 1;
}

PageFlow::PageFlow(const PageSetup& setup, const ReportMetrics& metrics, PageSink sink, HeaderBand header)
    : setup_(setup), metrics_(metrics), sink_(std::move(sink)), header_(std::move(header)) {}

void PageFlow::printBand(const Band& band) {
  // A band too high for the space left goes to a new page, unless the page
  // holds nothing yet but its header: there it would not fit either.
  if (!open_ || (roundHalfEven(band.height) > spaceLeft(position_) && !bodyEmpty_)) startPage();
  bodyEmpty_ = false;
  place(band);
}

void PageFlow::finish() {
  if (!open_) return;
  open_ = false;
  sink_(std::move(page_));
}

void PageFlow::startPage() {
  const int number = page_.number + 1;
  if (open_) sink_(std::move(page_));
  page_ = Page{};
  page_.number = number;
  open_ = true;
  position_ = setup_.topMargin;
  if (header_) {
    if (std::optional<Band> band = header_(number)) place(*band);
  }
  bodyEmpty_ = true;
}

double PageFlow::spaceLeft(double position) const { return setup_.paperHeight - setup_.bottomMargin - position; }

void PageFlow::place(const Band& band) {
  double top = position_;
  double height = band.height;
  if (band.topRule) {
    page_.rules.push_back({setup_.leftMargin, top, setup_.leftMargin + setup_.printableWidth(), top, *band.topRule});
  }
  for (const BandItem& item : band.items) printItem(item, top, height);
  position_ = top + height;
}

void PageFlow::printItem(const BandItem& item, double& bandTop, double& bandHeight) {
  const FontMetrics& font = metrics_.of(item.font);
  const double pen = item.framed ? kPenWidth : 0;
  const double left = setup_.leftMargin + item.left;
  if (item.framed) addFrame(left, bandTop + item.top, item.width, item.height);

  double boxTop = item.top;  // the item's top and height on the current page
  double boxHeight = item.height;
  int row = 0;  // lines printed on the current page
  for (const std::string& line : item.lines) {
    double lineTop = boxTop + pen + row * font.lineHeight;
    if (lineTop + font.lineHeight > boxTop + boxHeight + 1) {
      if (!item.stretch) break;
      boxHeight += font.lineHeight;
      bandHeight += font.lineHeight;
      if (roundHalfEven(bandHeight) > spaceLeft(bandTop)) {
        // Continue the item at the top of the next page, in a band one
        // line high.
        startPage();
        bandTop = position_;
        bandHeight = font.lineHeight;
        boxTop = 0;
        boxHeight = font.lineHeight;
        row = 0;
        lineTop = 0;
      }
    }
    TextRun run{left + pen, bandTop + lineTop, Alignment::Left, item.font, line};
    if (item.anchor == ItemAnchor::Right) {
      run.x = left + item.width - pen;
      run.alignment = Alignment::Right;
    } else if (item.anchor == ItemAnchor::Centre) {
      run.x += (item.width - 2 * pen - font.width(line)) / 2;
    }
    page_.texts.push_back(std::move(run));
    ++row;
  }
  bodyEmpty_ = false;
}

void PageFlow::addFrame(double left, double top, double width, double height) {
  const double right = left + width;
  const double bottom = top + height;
  page_.rules.push_back({left, top, right, top, PenStyle::Solid});
  page_.rules.push_back({right, top, right, bottom, PenStyle::Solid});
  page_.rules.push_back({right, bottom, left, bottom, PenStyle::Solid});
  page_.rules.push_back({left, bottom, left, top, PenStyle::Solid});
}

}  // namespace report
