// The cost of the expression language alone: filters and index keys
// evaluated over raw records held in memory, so that file reading does not
// hide it. Records carry generated names; the figures are per full pass.
//
//   expression_bench [--entries=N]   (default 100000)

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "entry_generator.h"
#include "xbase/expr/expression.h"

namespace {

std::size_t entryCount = 100000;

const xbase::RecordLayout& layout() {
  static const xbase::RecordLayout l = xbase::RecordLayout::fromFields(
      {{"NAME", 'C', 30, 0}, {"INFO", 'M', 10, 0}, {"LASTDATE", 'D', 8, 0}});
  return l;
}

// Raw records, deletion flag first, as the table stores them.
const std::vector<std::string>& records() {
  static const std::vector<std::string> all = [] {
    std::vector<std::string> list;
    bench::EntryGenerator generator;
    for (std::size_t i = 0; i < entryCount; ++i) {
      const bench::Entry e = generator.next();
      std::string record(static_cast<std::size_t>(layout().recordLength()), ' ');
      std::memcpy(&record[1], e.name.data(), std::min<std::size_t>(e.name.size(), 30));
      std::memcpy(&record[41], e.lastDate.data(), std::min<std::size_t>(e.lastDate.size(), 8));
      list.push_back(std::move(record));
    }
    return list;
  }();
  return all;
}

void filterPass(benchmark::State& state, const std::string& text) {
  const xbase::Expression filter = xbase::Expression::parse(text, layout());
  const xbase::EvalOptions exact{true};
  std::size_t passed = 0;
  for (auto _ : state) {
    passed = 0;
    for (const std::string& r : records()) passed += filter.matches(r, exact);
    benchmark::DoNotOptimize(passed);
  }
  state.counters["entries"] = static_cast<double>(records().size());
  state.counters["passed"] = static_cast<double>(passed);
}

void BM_SearchFilter(benchmark::State& state) { filterPass(state, "\"SMI\"$upper(Name)"); }
BENCHMARK(BM_SearchFilter)->Unit(benchmark::kMillisecond);

void BM_RangeFilter(benchmark::State& state) {
  filterPass(state, "upper(Name) >= \"ADAMS\" AND upper(Name) <= \"WALKER\"");
}
BENCHMARK(BM_RangeFilter)->Unit(benchmark::kMillisecond);

// Three names marked in the grid: those of the first three entries.
void BM_SelectedFilter(benchmark::State& state) {
  std::string text;
  for (std::size_t i = 0; i < 3 && i < records().size(); ++i) {
    std::string name = records()[i].substr(1, 30);
    name.erase(name.find_last_not_of(' ') + 1);
    text += (i ? " OR Name=" : "Name=") + xbase::stringLiteral(name).value_or("\"\"");
  }
  filterPass(state, text);
}
BENCHMARK(BM_SelectedFilter)->Unit(benchmark::kMillisecond);

void BM_IndexKeys(benchmark::State& state) {
  const xbase::Expression key = xbase::Expression::parse("upper(Name)", layout());
  std::string out;
  for (auto _ : state) {
    for (const std::string& r : records()) {
      key.key(r, out);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.counters["entries"] = static_cast<double>(records().size());
}
BENCHMARK(BM_IndexKeys)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--entries=", 10) == 0) entryCount = std::strtoul(argv[i] + 10, nullptr, 10);
  }
  benchmark::Initialize(&argc, argv);
  records();  // generate the records before the first timing, not inside it
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
