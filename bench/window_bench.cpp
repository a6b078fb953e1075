// The main window on a large generated table: time until the window shows
// with its grid filled, scrolling the grid from top to bottom, typing to
// jump, and posts (with the grid and memo repainted each time). Runs on the
// offscreen platform. Run through bench/run, or directly:
//   build/bin/window_bench --entries=100000
#include <benchmark/benchmark.h>

#include <QTest>
#include <chrono>
#include <memory>

#include "app/main_window.h"
#include "store/data_module.h"
#include "table_fixture.h"

namespace {

using bench::TableFixture;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A started main window on a private copy of the generated table.
struct OpenWindow {
  store::TDM dm;
  std::unique_ptr<app::TRuViv> window;

  explicit OpenWindow(const QString& folder) {
    window = std::make_unique<app::TRuViv>(dm, QStringList{}, folder);
    window->show();
  }
  void repaint() {
    window->ZurGrid->viewport()->repaint();
    window->DBMemo1->viewport()->repaint();
  }
};

QString tableCopy(const char* name) { return QString::fromStdString(TableFixture::copyOfSharedTable(name).string()); }

void reportSize(benchmark::State& state) { state.counters["entries"] = static_cast<double>(TableFixture::entries()); }

void BM_WindowShownWithGridFilled(benchmark::State& state) {
  const QString folder = tableCopy("window_start");
  for (auto _ : state) {
    const auto started = Clock::now();
    OpenWindow open(folder);
    open.repaint();
    state.SetIterationTime(secondsSince(started));
    if (open.window->ZurGrid->visibleTexts().isEmpty()) state.SkipWithError("grid stayed empty");
  }
  reportSize(state);
}
BENCHMARK(BM_WindowShownWithGridFilled)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ScrollGridTopToBottom(benchmark::State& state) {
  OpenWindow open(tableCopy("window_scroll"));
  auto* grid = open.window->ZurGrid;
  for (auto _ : state) {
    state.PauseTiming();
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    open.repaint();
    state.ResumeTiming();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    open.repaint();
  }
  reportSize(state);
}
BENCHMARK(BM_ScrollGridTopToBottom)->Unit(benchmark::kMillisecond);

void BM_TypingToJump(benchmark::State& state) {
  OpenWindow open(tableCopy("window_jump"));
  auto* grid = open.window->ZurGrid;
  char letter = 'a';
  for (auto _ : state) {
    QTest::keyClick(grid, letter);
    open.repaint();
    letter = letter == 'z' ? 'a' : static_cast<char>(letter + 1);
  }
  reportSize(state);
}
BENCHMARK(BM_TypingToJump)->Unit(benchmark::kMillisecond);

void BM_PostEditedMemo(benchmark::State& state) {
  OpenWindow open(tableCopy("window_edit"));
  store::EngineTable& table = open.dm.tblAddress;
  QTest::keyClick(open.window->ZurGrid, 'm');
  int round = 0;
  for (auto _ : state) {
    table.edit();
    table.setText(QStringLiteral("Info"), QStringLiteral("Phone: 555-%1\r\nchanged in round %1").arg(++round));
    table.post();
    open.repaint();
  }
  reportSize(state);
}
BENCHMARK(BM_PostEditedMemo)->Unit(benchmark::kMillisecond);

// A new entry: the post also runs the duplicate-name test.
void BM_PostNewEntry(benchmark::State& state) {
  OpenWindow open(tableCopy("window_insert"));
  store::EngineTable& table = open.dm.tblAddress;
  int round = 0;
  for (auto _ : state) {
    table.insert();
    table.setText(QStringLiteral("Name"), QStringLiteral("Bench Entry %1").arg(++round));
    table.setText(QStringLiteral("Info"), QStringLiteral("Phone: 555-0100"));
    table.post();
    open.repaint();
  }
  reportSize(state);
}
BENCHMARK(BM_PostNewEntry)->Unit(benchmark::kMillisecond);

}  // namespace
