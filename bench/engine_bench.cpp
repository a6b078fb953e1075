// Engine benchmarks on a realistic table. Each benchmark reports the table
// size it ran on. Run through bench/run, or directly:
//   build/bin/engine_bench --entries=100000
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "entry_generator.h"
#include "table_fixture.h"
#include "xbase/cursor.h"

namespace {

using bench::TableFixture;

void reportSize(benchmark::State& state) {
  state.counters["entries"] = static_cast<double>(TableFixture::entries());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_CreateAndImport(benchmark::State& state) {
  const auto& entries = TableFixture::generated();
  for (auto _ : state) {
    auto dir = TableFixture::scratchFolder("import");
    auto started = std::chrono::steady_clock::now();
    TableFixture::createAndImport(dir, entries);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  }
  reportSize(state);
}
BENCHMARK(BM_CreateAndImport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OpenAndReadFirst30InIndexOrder(benchmark::State& state) {
  auto table = TableFixture::sharedTable();
  for (auto _ : state) {
    auto cursor = xbase::Cursor::open(table, xbase::OpenMode::Shared);
    cursor->setOrder("ADDRESS");
    cursor->first();
    for (int i = 0; i < 30 && !cursor->eof(); ++i) {
      benchmark::DoNotOptimize(cursor->value(0));
      cursor->skip(1);
    }
  }
  reportSize(state);
}
BENCHMARK(BM_OpenAndReadFirst30InIndexOrder)->Unit(benchmark::kMillisecond);

void BM_ExactSeek(benchmark::State& state) {
  auto cursor = xbase::Cursor::open(TableFixture::sharedTable(), xbase::OpenMode::Shared);
  cursor->setOrder("ADDRESS");
  const auto& keys = TableFixture::sampleKeys();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(cursor->seek(keys[i++ % keys.size()]));
  }
  reportSize(state);
}
BENCHMARK(BM_ExactSeek)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_AppendWithIndexUpdate(benchmark::State& state) {
  auto dir = TableFixture::copyOfSharedTable("append");
  auto cursor = xbase::Cursor::open(dir / "ADDRESS.DBF", xbase::OpenMode::Shared);
  cursor->setOrder("ADDRESS");
  bench::EntryGenerator generator(7);
  for (auto _ : state) {
    state.PauseTiming();
    auto entry = generator.next();
    state.ResumeTiming();
    cursor->beginAppend();
    cursor->setValue("NAME", entry.name);
    cursor->setValue("INFO", entry.memo);
    cursor->setValue("LASTDATE", entry.lastDate);
    cursor->post();
  }
  reportSize(state);
}
BENCHMARK(BM_AppendWithIndexUpdate)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_FilterPass(benchmark::State& state) {
  auto cursor = xbase::Cursor::open(TableFixture::sharedTable(), xbase::OpenMode::Shared);
  cursor->setExact(true);
  cursor->setFilter("\"SMI\"$upper(Name)");
  for (auto _ : state) {
    std::uint32_t passed = 0;
    for (cursor->first(); !cursor->eof(); cursor->skip(1)) ++passed;
    benchmark::DoNotOptimize(passed);
    state.counters["passed"] = passed;
  }
  reportSize(state);
}
BENCHMARK(BM_FilterPass)->Unit(benchmark::kMillisecond);

void BM_FilterCount(benchmark::State& state) {
  auto cursor = xbase::Cursor::open(TableFixture::sharedTable(), xbase::OpenMode::Shared);
  cursor->setFilter("\"SMI\"$upper(Name)");
  for (auto _ : state) benchmark::DoNotOptimize(cursor->count());
  reportSize(state);
}
BENCHMARK(BM_FilterCount)->Unit(benchmark::kMillisecond);

void BM_PackAfterDeletingTenPercent(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = TableFixture::copyOfSharedTable("pack");
    auto cursor = xbase::Cursor::open(dir / "ADDRESS.DBF", xbase::OpenMode::Exclusive);
    std::uint32_t n = 0;
    for (cursor->first(); !cursor->eof();) {
      if (++n % 10 == 0) {
        cursor->deleteRecord();  // moves on to the next record
      } else {
        cursor->skip(1);
      }
    }
    state.ResumeTiming();
    cursor->pack();
  }
  reportSize(state);
}
BENCHMARK(BM_PackAfterDeletingTenPercent)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--entries=", 0) == 0) {
      TableFixture::setEntries(std::strtoul(arg.c_str() + 10, nullptr, 10));
    } else {
      rest.push_back(argv[i]);
    }
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TableFixture::cleanUp();
  return 0;
}
