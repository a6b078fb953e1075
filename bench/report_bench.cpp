// The address report's layout on generated entries with memos, measured with
// the report font's real metrics (Liberation Sans, offscreen platform):
// every page of the report laid out, the first page alone, and the plain-text
// export of every page. Entries are generated before the first timing.
//
//   report_bench [--entries=N]   (default 10000)

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "entry_generator.h"
#include "report/address_report.h"
#include "report/qt_font_metrics.h"
#include "report/text_export.h"

namespace {

std::size_t entryCount = 10000;

const std::vector<report::ReportEntry>& entries() {
  static const std::vector<report::ReportEntry> all = [] {
    std::vector<report::ReportEntry> list;
    bench::EntryGenerator generator;
    for (std::size_t i = 0; i < entryCount; ++i) {
      bench::Entry e = generator.next();
      list.push_back({std::move(e.name), std::move(e.memo)});
    }
    return list;
  }();
  return all;
}

const report::ReportMetrics& metrics() {
  static const report::ReportMetrics m = report::reportMetrics();
  return m;
}

report::AddressReportLayout makeLayout(bool textOutput) {
  report::AddressReportSettings settings;
  settings.textOutput = textOutput;
  settings.caption = "Kestrane 3.0 Cardlark";
  settings.date = "03/07/26";
  settings.recordCount = static_cast<long long>(entries().size());
  return report::AddressReportLayout(settings, metrics(), [next = std::size_t{0}]() mutable {
    return next < entries().size() ? std::optional(entries()[next++]) : std::nullopt;
  });
}

void reportFigures(benchmark::State& state, int pages, std::size_t bytes = 0) {
  state.counters["entries"] = static_cast<double>(entries().size());
  state.counters["pages"] = pages;
  if (bytes) state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_LayoutAllPages(benchmark::State& state) {
  int pages = 0;
  for (auto _ : state) {
    report::AddressReportLayout layout = makeLayout(false);
    pages = 0;
    while (std::optional<report::Page> page = layout.nextPage()) {
      benchmark::DoNotOptimize(page->texts.data());
      ++pages;
    }
  }
  reportFigures(state, pages);
}
BENCHMARK(BM_LayoutAllPages)->Unit(benchmark::kMillisecond);

void BM_LayoutFirstPage(benchmark::State& state) {
  for (auto _ : state) {
    report::AddressReportLayout layout = makeLayout(false);
    benchmark::DoNotOptimize(layout.nextPage());
  }
  reportFigures(state, 1);
}
BENCHMARK(BM_LayoutFirstPage)->Unit(benchmark::kMillisecond);

void BM_TextExportAllPages(benchmark::State& state) {
  int pages = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    report::AddressReportLayout layout = makeLayout(true);
    std::ostringstream out;
    report::TextExportFilter filter(out);
    filter.start(layout.pageSetup().paperWidth, layout.pageSetup().paperHeight, report::kReportFontPoints);
    pages = 0;
    while (std::optional<report::Page> page = layout.nextPage()) {
      report::exportPage(filter, *page);
      ++pages;
    }
    filter.finish();
    bytes = out.str().size();
  }
  reportFigures(state, pages, bytes);
}
BENCHMARK(BM_TextExportAllPages)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--entries=", 10) == 0) entryCount = std::strtoul(argv[i] + 10, nullptr, 10);
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  entries();  // generate the entries and measure the font before the first timing
  metrics();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
