// The report preview on a generated table with memos: the time from the
// Report Writer's call until page 1 is shown, and until every page has been
// laid out. Runs on the offscreen platform; prints the figures of five runs.
//   build/bin/preview_bench [ENTRIES]   (default 10000)

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "report/report_form.h"
#include "report/report_preview.h"
#include "store/data_module.h"
#include "table_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  bench::TableFixture::setEntries(argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000);
  store::TDM dm;
  dm.setFolder(QString::fromStdString(bench::TableFixture::sharedTable().parent_path().string()));
  dm.tblAddress.open();

  std::vector<double> firstPage, allPages;
  int pages = 0;
  for (int run = 0; run < 5; ++run) {
    const Clock::time_point start = Clock::now();
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      report::ReportPreview* preview = report::openReportPreview();
      if (!preview) return;
      if (firstPage.size() == static_cast<std::size_t>(run) && preview->currentPage() == 1)
        firstPage.push_back(msSince(start));
      if (!preview->producing()) {
        allPages.push_back(msSince(start));
        pages = preview->pageCount();
        poll.stop();
        preview->close();
      }
    });
    poll.start();
    report::RunAddressReport(dm.tblAddress, true, false, {QStringLiteral("Kestrane 3.0 Cardlark"), false});
  }
  std::sort(firstPage.begin(), firstPage.end());
  std::sort(allPages.begin(), allPages.end());
  std::printf(
      "entries %zu, pages %d\npage 1 shown: min %.1f ms, median %.1f ms\nall pages: min %.1f ms, median %.1f ms\n",
      bench::TableFixture::entries(), pages, firstPage.front(), firstPage[2], allPages.front(), allPages[2]);
  bench::TableFixture::cleanUp();
  return 0;
}
