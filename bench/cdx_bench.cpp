// Index benchmarks: bulk build, exact seek, in-place insert, stepping and a
// full scan of one tag of upper-cased 30-byte names, at the table size given
// by the benchmark argument (bulk build: entries, key length). Peak memory is the process's maximum resident
// size, so run one size per process to read it (--benchmark_filter=.../N).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>

#include "book/name_key.h"
#include "entry_generator.h"
#include "xbase/cdx/cdx_file.h"

namespace {

// Generated names are costly (each comes with its memo), so the keys come
// from a pool of up to 200,000 generated names, repeated beyond that (a
// large book has many equal names anyway).
const std::vector<std::string>& keyPool() {
  static const std::vector<std::string> pool = [] {
    bench::EntryGenerator generator;
    std::vector<std::string> out;
    for (std::size_t i = 0; i < 200000; ++i) out.push_back(book::nameIndexKey(generator.next().name));
    return out;
  }();
  return pool;
}

std::vector<std::string> keys(std::size_t n) {
  const auto& pool = keyPool();
  return std::vector<std::string>(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(std::min(n, pool.size())));
}

double peakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::filesystem::path scratch(const char* name) {
  return std::filesystem::temp_directory_path() / (std::string("cdx_bench_") + name + ".cdx");
}

// Builds the index of `n` names with record numbers 1..n, keys padded to
// `keyLength` bytes.
std::unique_ptr<xbase::CdxFile> buildIndex(const std::filesystem::path& path, std::size_t n, int keyLength = 30) {
  std::filesystem::remove(path);
  auto cdx = xbase::CdxFile::create(path);
  cdx->addTag("ADDRESS", "UPPER(NAME)", keyLength, [n, keyLength](const xbase::CdxEntryEmitter& emit) {
    const auto& pool = keyPool();
    std::string key;
    for (std::size_t i = 0; i < n; ++i) {
      key = pool[i % pool.size()];
      key.resize(static_cast<std::size_t>(keyLength), ' ');
      emit(key, static_cast<std::uint32_t>(i + 1));
    }
  });
  return cdx;
}

// An index of state.range(0) entries in a scratch file, removed at the end;
// the entry count is reported with the figures.
struct BuiltIndex {
  BuiltIndex(benchmark::State& state, const char* name)
      : n(static_cast<std::size_t>(state.range(0))), path(scratch(name)), cdx(buildIndex(path, n)) {
    state.counters["entries"] = static_cast<double>(n);
  }
  ~BuiltIndex() {
    cdx.reset();
    std::filesystem::remove(path);
  }
  std::size_t n;
  std::filesystem::path path;
  std::unique_ptr<xbase::CdxFile> cdx;
};

void BM_BulkBuild(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const auto path = scratch("build");
  const double poolMiB = (keyPool(), peakRssMiB());
  const auto keyLength = static_cast<int>(state.range(1));
  for (auto _ : state) buildIndex(path, n, keyLength);
  state.counters["entries"] = static_cast<double>(n);
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
  state.counters["peak_rss_MiB"] = peakRssMiB();
  state.counters["rss_before_MiB"] = poolMiB;
  std::filesystem::remove(path);
}
BENCHMARK(BM_BulkBuild)
    ->Args({100000, 30})
    ->Args({1000000, 30})
    ->Args({1000000, 240})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_SeekExact(benchmark::State& state) {
  BuiltIndex index(state, "seek");
  auto& cdx = index.cdx;
  std::vector<std::string> probes = keys(index.n);
  std::shuffle(probes.begin(), probes.end(), std::mt19937(5));
  std::size_t i = 0;
  for (auto _ : state) {
    auto found = cdx->seekGE(0, probes[i++ % probes.size()]);
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_SeekExact)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_InsertInPlace(benchmark::State& state) {
  BuiltIndex index(state, "insert");
  auto& cdx = index.cdx;
  std::vector<std::string> fresh = keys(index.n);
  std::shuffle(fresh.begin(), fresh.end(), std::mt19937(9));
  auto recno = static_cast<std::uint32_t>(index.n);
  for (auto _ : state) {
    ++recno;
    cdx->insert(0, fresh[recno % fresh.size()], recno);
  }
}
BENCHMARK(BM_InsertInPlace)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_NextStep(benchmark::State& state) {
  BuiltIndex index(state, "next");
  auto& cdx = index.cdx;
  auto at = cdx->first(0);
  for (auto _ : state) {
    at = cdx->next(0, *at);
    if (!at) at = cdx->first(0);
  }
}
BENCHMARK(BM_NextStep)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_ScanAll(benchmark::State& state) {
  BuiltIndex index(state, "scan");
  auto& cdx = index.cdx;
  for (auto _ : state) {
    std::size_t count = 0;
    cdx->forEach(0, [&](const xbase::CdxEntry&) { ++count; });
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_ScanAll)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
