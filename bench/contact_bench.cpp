// Collecting the contact items of one entry whose memo is 64 KB: a memo of
// realistic generated lines, and a memo that is one 64 KB line with no
// blank in it (every web pattern scanned to the end, the e-mail's start
// sought back over the whole line). The figure is per entry and kind.
//
//   contact_bench

#include <benchmark/benchmark.h>

#include <string>

#include "book/contact_items.h"
#include "entry_generator.h"

namespace {

constexpr std::size_t kMemoBytes = 64 * 1024;

const std::string& generatedMemo() {
  static const std::string memo = [] {
    bench::EntryGenerator generator(20261207, 4000);
    std::string text;
    while (text.size() < kMemoBytes) text += generator.next().memo + "\r\n";
    text.resize(kMemoBytes);
    return text;
  }();
  return memo;
}

const std::string& oneLongLine() {
  static const std::string memo = [] {
    std::string text;
    while (text.size() < kMemoBytes - 16) text += "HTTP:/WWW-555-12x";
    return text + "@example.com";
  }();
  return memo;
}

void collect(benchmark::State& state, book::ItemKind kind, const std::string& memo) {
  std::size_t items = 0;
  for (auto _ : state) {
    items = book::collectEntryItems(kind, "Acme Plumbing 555-0134", memo).size();
    benchmark::DoNotOptimize(items);
  }
  state.counters["memo bytes"] = static_cast<double>(memo.size());
  state.counters["items"] = static_cast<double>(items);
}

void BM_Phone(benchmark::State& s) { collect(s, book::ItemKind::Phone, generatedMemo()); }
void BM_Email(benchmark::State& s) { collect(s, book::ItemKind::Email, generatedMemo()); }
void BM_Web(benchmark::State& s) { collect(s, book::ItemKind::Web, generatedMemo()); }
void BM_PhoneOneLine(benchmark::State& s) { collect(s, book::ItemKind::Phone, oneLongLine()); }
void BM_EmailOneLine(benchmark::State& s) { collect(s, book::ItemKind::Email, oneLongLine()); }
void BM_WebOneLine(benchmark::State& s) { collect(s, book::ItemKind::Web, oneLongLine()); }
BENCHMARK(BM_Phone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Email)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Web)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PhoneOneLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EmailOneLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WebOneLine)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
