// Search and the information window on a large generated table: the first
// screen of a name-only and of a name-and-memo search (filter applied, grid
// reattached and painted), also for a name-and-memo search whose only match
// is the last entry in name order and for one that finds nothing, the count
// the information window shows for a name-and-memo search, and the
// information window shown with a 64 KB RTF memo. Runs on the offscreen platform. Run through bench/run, or:
//   build/bin/search_bench --entries=1000000
// or on a table made once with cardlark-gen and cardlark-db import:
//   build/bin/search_bench --table=DIR
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "app/main_window.h"
#include "platform/dialogs.h"
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
void firstScreen(benchmark::State& state, OpenWindow& open, const char* text, bool includeMemo) {
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

void BM_NameSearchFirstScreen(benchmark::State& state) {
  OpenWindow open("search_name");
  firstScreen(state, open, "smi", false);
}
BENCHMARK(BM_NameSearchFirstScreen)->Unit(benchmark::kMillisecond);

void BM_NameAndMemoSearchFirstScreen(benchmark::State& state) {
  OpenWindow open("search_memo");
  firstScreen(state, open, "smi", true);
}
BENCHMARK(BM_NameAndMemoSearchFirstScreen)->Unit(benchmark::kMillisecond);

// The only entry holding the text is the last one in name order, so the
// walk in name order meets no other before it.
void BM_NameAndMemoSearchFirstScreenMatchAtEnd(benchmark::State& state) {
  OpenWindow open("search_end");
  store::EngineTable& table = open.dm.tblAddress;
  table.last();
  table.edit();
  table.setText(QStringLiteral("Info"), table.text(QStringLiteral("Info")) + QStringLiteral(" qzxvlast"));
  table.post();
  firstScreen(state, open, "qzxvlast", true);
}
BENCHMARK(BM_NameAndMemoSearchFirstScreenMatchAtEnd)->Unit(benchmark::kMillisecond);

// Takes the "no records match" message in place of a box waiting for OK.
class SilentDialogs final : public platform::Dialogs {
 public:
  SilentDialogs() : previous_(platform::setDialogs(this)) {}
  ~SilentDialogs() override { platform::setDialogs(previous_); }
  void message(const QString&) override { ++messages; }
  void warning(const QString&) override { ++messages; }
  void information(const QString&) override { ++messages; }
  bool confirm(const QString&) override { return false; }
  bool askYesNo(const QString&) override { return false; }
  void error(const QString&) override { ++messages; }
  std::optional<QString> askText(const QString&, const QString&, Echo) override { return std::nullopt; }
  int messages = 0;

 private:
  platform::Dialogs* previous_;
};

void BM_NameAndMemoSearchNoMatch(benchmark::State& state) {
  OpenWindow open("search_none");
  SilentDialogs dialogs;
  firstScreen(state, open, "qzxvnone", true);
  state.counters["messages"] = dialogs.messages;
}
BENCHMARK(BM_NameAndMemoSearchNoMatch)->Unit(benchmark::kMillisecond);

void BM_NameAndMemoInfoCount(benchmark::State& state) {
  OpenWindow open("search_count");
  open.commands->applySearch(QStringLiteral("smi"), true);
  search::TInfo info(open.dm, open.window.get());
  for (auto _ : state) info.FormShow();
  state.counters["passing"] = info.FilterLabel->text().toDouble();
  reportSize(state);
}
BENCHMARK(BM_NameAndMemoInfoCount)->Unit(benchmark::kMillisecond);

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
