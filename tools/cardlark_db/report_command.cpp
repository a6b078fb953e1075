// report DIR [--no-memo] [--text-output] [--filter EXPR] (--text FILE | --pdf FILE)
// The address report of every entry in alphabetical order (or of those that
// pass the filter expression, exact comparison on), laid out as the program's
// preview lays it out and written as the plain-text export or as PDF, its
// texts read in the table's code page. The header carries the caption the
// program shows when started without a folder parameter and today's date.
// Needs no display: without one, Qt's offscreen platform is used.

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "book/clock.h"
#include "cardlark_db/command.h"
#include "codepage/code_page.h"
#include "report/address_report.h"
#include "report/qt_font_metrics.h"
#include "report/report_output.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

constexpr char kProgramCaption[] = "Kestrane 3.0 Cardlark";

// The fonts need a QGuiApplication; without a display it runs offscreen.
std::unique_ptr<QGuiApplication> startGui() {
  if (QGuiApplication::instance()) return nullptr;
  const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (!display && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "cardlark-db";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int runReport(const Arguments& arguments) {
  const bool text = arguments.has("--text");
  if (text == arguments.has("--pdf")) throw UsageError("give either --text FILE or --pdf FILE");
  EntriesByName entries = openEntriesByName(arguments);
  xbase::Cursor* const cursor = entries.cursor.get();
  const int name = entries.name;
  const int memo = entries.memo;

  const auto gui = startGui();
  report::AddressReportSettings settings;
  settings.memo = !arguments.has("--no-memo");
  settings.textOutput = arguments.has("--text-output");
  settings.caption = kProgramCaption;
  const std::string today = book::today();  // YYYYMMDD, shown as MM/dd/yy
  settings.date = today.substr(4, 2) + "/" + today.substr(6, 2) + "/" + today.substr(2, 2);
  settings.recordCount = cursor->count();
  settings.codePage = codePageOf(*cursor);

  report::AddressReportLayout layout(settings, report::reportMetrics(settings.codePage),
                                     [&]() -> std::optional<report::ReportEntry> {
                                       if (!entries.next()) return std::nullopt;
                                       return report::ReportEntry{cursor->value(name), cursor->value(memo)};
                                     });
  const report::PageProducer pages = [&layout] { return layout.nextPage(); };
  if (text) {
    report::writeTextFile(QString::fromLocal8Bit(arguments.option("--text", "")), layout.pageSetup(), pages);
  } else {
    report::writePdfFile(QString::fromLocal8Bit(arguments.option("--pdf", "")), layout.pageSetup(),
                         QString::fromLatin1(report::kReportTitle), pages);
  }
  return kOk;
}

}  // namespace cardlark::db
