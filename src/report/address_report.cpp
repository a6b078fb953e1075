#include "report/address_report.h"

#include <deque>
#include <utility>

#include "report/page_flow.h"
#include "report/report_units.h"
#include "report/text_layout.h"

namespace report {

namespace {

// The form's design, in layout pixels.
constexpr double kHeaderBandHeight = 40;
constexpr double kHeaderItemTop = 8;
constexpr double kCaptionLeft = 16;
constexpr double kDateLabelLeft = 366;
constexpr double kDateLeft = 454;
constexpr double kRecordsLabelLeft = 540;
constexpr double kCountLeft = 632;
constexpr double kPageLabelLeft = 746;

constexpr double kDetailBandHeight = 60;
constexpr double kNameTop = 8;
constexpr double kMemoTop = 32;
constexpr double kMemoWidth = 837;
constexpr double kMemoHeight = 25;
constexpr double kTextOutputMemoLeft = 32;
constexpr double kTextOutputMemoNarrower = 325;

constexpr double kSummaryBandHeight = 55;
constexpr double kProducedTop = 18;

// A label or system-data item that sizes itself to its text.
BandItem autoSizeItem(const std::string& text, double left, double top, FontStyle font, const ReportMetrics& metrics) {
  BandItem item;
  item.left = fromLayoutPixels(left);
  item.top = fromLayoutPixels(top);
  item.font = font;
  item.lines = formatText(text, {0, true}, metrics.of(font).width);
  return item;
}

}  // namespace

PageSetup addressReportPageSetup(const AddressReportSettings& settings) {
  PageSetup setup;
  setup.paperWidth = fromInches(8.5);
  setup.paperHeight = fromInches(11);
  setup.topMargin = fromInches(0.5);
  setup.bottomMargin = fromInches(0.5);
  setup.leftMargin = fromInches(settings.textOutput ? 0 : 1.0);
  setup.rightMargin = fromInches(settings.textOutput ? 2.5 : 0.5);
  setup.codePage = settings.codePage;
  return setup;
}

struct AddressReportLayout::State {
  State(AddressReportSettings s, ReportMetrics m, EntrySource src)
      : settings(std::move(s)),
        metrics(std::move(m)),
        source(std::move(src)),
        setup(addressReportPageSetup(settings)),
        flow(
            setup, metrics, [this](Page&& page) { pages.push_back(std::move(page)); }, headerBand()) {}

  PageFlow::HeaderBand headerBand() {
    if (settings.textOutput) return {};
    return [this](int pageNumber) -> std::optional<Band> {
      Band band;
      band.height = fromLayoutPixels(kHeaderBandHeight);
      const auto add = [&](const std::string& text, double left) {
        band.items.push_back(autoSizeItem(text, left, kHeaderItemTop, FontStyle::Regular, metrics));
        fitToText(band.items.back(), metrics);
      };
      add(settings.caption, kCaptionLeft);
      add("Date Run:", kDateLabelLeft);
      add(settings.date, kDateLeft);
      if (settings.recordCount) {
        add("Records:", kRecordsLabelLeft);
        add(std::to_string(*settings.recordCount), kCountLeft);
      }
      add("Page:", kPageLabelLeft);
      BandItem page = autoSizeItem(std::to_string(pageNumber), 0, kHeaderItemTop, FontStyle::Regular, metrics);
      page.width = setup.printableWidth();
      page.anchor = ItemAnchor::Right;
      fitToText(page, metrics);
      band.items.push_back(std::move(page));
      return band;
    };
  }

  void printEntry(const ReportEntry& entry) {
    Band band;
    band.height = fromLayoutPixels(settings.memo ? kDetailBandHeight : kDetailBandHeight - kMemoHeight);
    band.items.push_back(autoSizeItem(entry.name, 0, kNameTop, FontStyle::Bold, metrics));
    fitToText(band.items.back(), metrics);
    if (settings.memo) {
      band.topRule = PenStyle::DashDotDot;
      BandItem memo;
      memo.left = fromLayoutPixels(settings.textOutput ? kTextOutputMemoLeft : 0);
      memo.top = fromLayoutPixels(kMemoTop);
      memo.width = fromLayoutPixels(settings.textOutput ? kMemoWidth - kTextOutputMemoNarrower : kMemoWidth);
      memo.height = fromLayoutPixels(kMemoHeight);
      memo.stretch = true;
      memo.lines = formatLines(memoLines(entry.memo), {memo.width, false}, metrics.regular.width);
      if (memo.height < metrics.regular.lineHeight + 1) memo.height = metrics.regular.lineHeight + 1;
      band.items.push_back(std::move(memo));
    }
    flow.printBand(band);
  }

  void printSummary() {
    Band band;
    band.height = fromLayoutPixels(kSummaryBandHeight);
    BandItem produced = autoSizeItem(kProducedText, 0, kProducedTop, FontStyle::Regular, metrics);
    produced.width = setup.printableWidth();
    produced.anchor = ItemAnchor::Centre;
    produced.framed = true;
    fitToText(produced, metrics);
    band.items.push_back(std::move(produced));
    flow.printBand(band);
  }

  AddressReportSettings settings;
  ReportMetrics metrics;
  EntrySource source;
  PageSetup setup;
  std::deque<Page> pages;
  PageFlow flow;
  bool finished = false;
};

AddressReportLayout::AddressReportLayout(AddressReportSettings settings, ReportMetrics metrics, EntrySource source)
    : state_(std::make_unique<State>(std::move(settings), std::move(metrics), std::move(source))) {}

AddressReportLayout::~AddressReportLayout() = default;

const PageSetup& AddressReportLayout::pageSetup() const { return state_->setup; }

std::optional<Page> AddressReportLayout::nextPage() {
  State& s = *state_;
  while (s.pages.empty() && !s.finished) {
    if (std::optional<ReportEntry> entry = s.source()) {
      s.printEntry(*entry);
      continue;
    }
    // Nothing is printed for an empty table, not even the closing line.
    if (s.flow.pageCount() > 0 && !s.settings.textOutput) s.printSummary();
    s.flow.finish();
    s.finished = true;
  }
  if (s.pages.empty()) return std::nullopt;
  Page page = std::move(s.pages.front());
  s.pages.pop_front();
  return page;
}

std::vector<Page> layoutAddressReport(const AddressReportSettings& settings, const ReportMetrics& metrics,
                                      EntrySource source) {
  AddressReportLayout layout(settings, metrics, std::move(source));
  std::vector<Page> pages;
  while (std::optional<Page> page = layout.nextPage()) pages.push_back(std::move(*page));
  return pages;
}

}  // namespace report
