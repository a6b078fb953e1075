// The entry point of the benchmarks that drive the real window offscreen:
// --entries=N sizes the generated table, --table=DIR uses a prepared one;
// every other argument goes to Qt and Google Benchmark.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qt/qt_services.h"
#include "table_fixture.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--entries=", 0) == 0)
      bench::TableFixture::setEntries(std::strtoul(arg.c_str() + 10, nullptr, 10));
    else if (arg.rfind("--table=", 0) == 0)
      bench::TableFixture::useTable(arg.substr(8));
    else
      rest.push_back(argv[i]);
  }
  int restCount = static_cast<int>(rest.size());
  QApplication application(restCount, rest.data());
  const platform::qt::QtServices services;
  benchmark::Initialize(&restCount, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  bench::TableFixture::cleanUp();
  return 0;
}
