// Reading and writing a 64 KB RTF memo, as the information window does when
// it shows and stores one.

#include <benchmark/benchmark.h>

#include <string>

#include "rtf/reader.h"
#include "rtf/writer.h"

namespace {

// Paragraphs of mixed formatting, escapes and Unicode, up to 64 KB.
const std::string& memo() {
  static const std::string markup = [] {
    std::string m =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Bench;}\\uc1\\pard\\f0\\fs20 ";
    for (int i = 0; m.size() < 65536 - 200; ++i)
      m += "Entry " + std::to_string(i) +
           ": {\\b Smith}, {\\i caf\\'e9} \\u8364? {\\cf1\\f1\\fs28 call} \\{soon\\}"
           "\\tab 555-0100\\par\r\n";
    return m + "}";
  }();
  return markup;
}

void BM_ReadMemo(benchmark::State& state) {
  const std::string& markup = memo();  // built before the timing
  for (auto _ : state) benchmark::DoNotOptimize(rtf::read(markup));
  state.counters["bytes"] = static_cast<double>(markup.size());
}
BENCHMARK(BM_ReadMemo)->Unit(benchmark::kMicrosecond);

void BM_WriteMemo(benchmark::State& state) {
  const rtf::Document document = rtf::read(memo());
  for (auto _ : state) benchmark::DoNotOptimize(rtf::write(document));
}
BENCHMARK(BM_WriteMemo)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
