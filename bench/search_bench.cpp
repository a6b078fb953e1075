// Search and the information window on a large generated table: the first
// screen of a name-only and of a name-and-memo search (filter applied, grid
// reattached and painted), the walking count the information window shows
// for a name-and-memo search, and the information window shown with a 64 KB
// RTF memo. Runs on the offscreen platform. Run through bench/run, or:
//   build/bin/search_bench --entries=1000000
// or on a table made once with cardlark-gen and cardlark-db import:
//   build/bin/search_bench --table=DIR
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "app/main_window.h"
#include "search/info_window.h"
#include "search/search_commands.h"
#include "store/data_module.h"
#include "table_fixture.h"

namespace {

using bench::TableFixture;
using Clock = std::chrono::steady_clock;

struct OpenWindow {
  store::TDM dm;
  std::unique_ptr<app::TRuViv> window;
  search::SearchCommands* commands = nullptr;

  explicit OpenWindow(const char* name) {
    window = std::make_unique<app::TRuViv>(dm, QStringList{},
                                           QString::fromStdString(TableFixture::copyOfSharedTable(name).string()));
    window->show();
    commands = window->findChild<search::SearchCommands*>();
  }
  void repaint() { window->ZurGrid->viewport()->repaint(); }
};

void reportSize(benchmark::State& state) { state.counters["entries"] = static_cast<double>(TableFixture::entries()); }

// From the prompt's OK to the grid painted with the first screen of entries.
void firstScreen(benchmark::State& state, const char* text, bool includeMemo) {
  OpenWindow open(includeMemo ? "search_memo" : "search_name");
  for (auto _ : state) {
    open.commands->applySearch(QString::fromLatin1(text), includeMemo);
    open.repaint();
    state.PauseTiming();
    open.commands->NoFilterSpeedClick();
    state.ResumeTiming();
  }
  state.counters["shown"] = open.window->ZurGrid->visibleTexts().size();
  reportSize(state);
}

void BM_NameSearchFirstScreen(benchmark::State& state) { firstScreen(state, "smi", false); }
BENCHMARK(BM_NameSearchFirstScreen)->Unit(benchmark::kMillisecond);

void BM_NameAndMemoSearchFirstScreen(benchmark::State& state) { firstScreen(state, "smi", true); }
BENCHMARK(BM_NameAndMemoSearchFirstScreen)->Unit(benchmark::kMillisecond);

void BM_NameAndMemoWalkingCount(benchmark::State& state) {
  OpenWindow open("search_count");
  open.commands->applySearch(QStringLiteral("smi"), true);
  int count = 0;
  for (auto _ : state) benchmark::DoNotOptimize(count = open.dm.tblAddress.walkingCount());
  state.counters["passing"] = count;
  reportSize(state);
}
BENCHMARK(BM_NameAndMemoWalkingCount)->Unit(benchmark::kMillisecond);

// About 64 KB of RTF: paragraphs of mixed formatting.
QString rtfMemo() {
  QString markup = QStringLiteral(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
      "{\\colortbl ;\\red200\\green0\\blue0;}\\f0\\fs20 ");
  for (int i = 0; markup.size() < 64 * 1024; ++i)
    markup += QStringLiteral(
                  "Line %1: call {\\b 555-%2} or write to {\\i\\cf1 someone%1@example.com}, "
                  "\\f1 see http://www.example.com/%1\\f0\\par ")
                  .arg(i)
                  .arg(1000 + i % 9000);
  return markup + QLatin1Char('}');
}

void BM_InfoWindowWith64KBRtfMemo(benchmark::State& state) {
  OpenWindow open("search_info");
  store::EngineTable& table = open.dm.tblAddress;
  table.edit();
  table.setText(QStringLiteral("Info"), rtfMemo());
  table.post();
  for (auto _ : state) {
    const auto started = Clock::now();
    search::TInfo info(open.dm, open.window.get());
    info.show();
    info.repaint();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
  }
  reportSize(state);
}
BENCHMARK(BM_InfoWindowWith64KBRtfMemo)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
