#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "report/font_metrics.h"
#include "report/report_page.h"

namespace report {

enum class ItemAnchor { Left, Right, Centre };

// A label or data field of a band, its text already formatted into lines.
// Position and size are relative to the band's left edge and top.
struct BandItem {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  FontStyle font = FontStyle::Regular;
  ItemAnchor anchor = ItemAnchor::Left;  // also the alignment of its lines
  bool stretch = false;                  // grows its band to print every line, across pages
  bool framed = false;                   // a frame line on all four sides
  std::vector<std::string> lines;
};

// Sizes an auto-size item to its widest line (plus its frame lines): a
// right-anchored item keeps its right edge, a centred one its centre. Its
// height is raised, if needed, to one more than a line.
void fitToText(BandItem& item, const ReportMetrics& metrics);

// A band: printed across the printable width, items in printing order.
struct Band {
  double height = 0;
  std::optional<PenStyle> topRule;  // a line along the band's top edge
  std::vector<BandItem> items;
};

// Places bands on pages: starts a new page when a band does not fit in the
// space left, prints the page header band at the top of every page, and
// continues a stretching item on the next page when its band outgrows the
// page. Each finished page goes to the sink, so pages need not all be held.
class PageFlow {
 public:
  using PageSink = std::function<void(Page&&)>;
  using HeaderBand = std::function<std::optional<Band>(int pageNumber)>;

  PageFlow(const PageSetup& setup, const ReportMetrics& metrics, PageSink sink, HeaderBand header = {});

  void printBand(const Band& band);
  // Hands over the last page. A flow that printed no band hands over none.
  void finish();

  int pageCount() const { return page_.number; }

 private:
  void startPage();
  void place(const Band& band);
  double spaceLeft(double position) const;
  void printItem(const BandItem& item, double& bandTop, double& bandHeight);
  void addFrame(double left, double top, double width, double height);

  PageSetup setup_;
  ReportMetrics metrics_;
  PageSink sink_;
  HeaderBand header_;
  Page page_;
  bool open_ = false;
  bool bodyEmpty_ = true;  // no band but the header on the current page yet
  double position_ = 0;    // where the next band goes
};

}  // namespace report
