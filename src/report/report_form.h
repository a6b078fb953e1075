#pragma once

// The address report over a table component: the report form with its
// settings, and RunAddressReport, which shows it in the preview and returns
// when the preview has been closed.

#include <QString>

#include "report/address_report.h"

namespace store {
class EngineTable;
}

namespace report {

class ReportPreview;

// The report form: the address report's settings for one report.
class TReportForm {
 public:
  // `caption` is the main window's caption, `memo` the memo option.
  TReportForm(const QString& caption, bool memo);

  // Binds the form to `reportTable` (its texts in the table's code page)
  // and adjusts it to the text-output option. `memoSearch`: the main table is filtered by a search that
  // includes the memo, whose count the engine cannot give, so the header
  // leaves "Records:" and the count out.
  void prepare(store::EngineTable& reportTable, bool textOutput, bool memoSearch);

  const AddressReportSettings& settings() const { return AddressReport1; }

 private:
  AddressReportSettings AddressReport1;
  QString caption_;
};

// Yields the table's entries from its first record in its order and filter.
// Between calls the table may be moved by others: each call goes back to
// the entry after the last one read. `read` counts the entries handed out.
EntrySource tableEntries(store::EngineTable& table, int* read = nullptr);

// What the report takes from the main window.
struct ReportContext {
  QString caption;          // the main window's caption
  bool memoSearch = false;  // see TReportForm::prepare
};

// Shows the address report of `reportTable` in a preview window and runs
// the event loop until the window is closed.
void RunAddressReport(store::EngineTable& reportTable, bool memo, bool textOutput, const ReportContext& context);

// The preview of the report that is running, or nullptr.
ReportPreview* openReportPreview();

}  // namespace report
