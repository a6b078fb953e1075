#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/font_metrics.h"
#include "report/report_page.h"

namespace report {

// The maker's web site, which ends the report title and the closing line.
inline constexpr char kMakerSite[] = "www.kestrane.com";
inline constexpr char kReportTitle[] = "Kestrane Cardlark www.kestrane.com";
inline constexpr char kProducedText[] = " Produced by Kestrane Cardlark  www.kestrane.com";

// The report font: Arial 10 pt (Liberation Sans has the same metrics); the
// names print in its bold face.
inline constexpr char kReportFontFamily[] = "Arial";
inline constexpr double kReportFontPoints = 10.0;

// One entry of the report table, as single-byte text in the table's code page.
struct ReportEntry {
  std::string name;
  std::string memo;  // lines separated by CR LF
};

// Yields the report table's entries in order; nullopt after the last.
using EntrySource = std::function<std::optional<ReportEntry>()>;

struct AddressReportSettings {
  bool memo = true;         // print each entry's memo under its name
  bool textOutput = false;  // laid out for the plain-text export
  std::string caption;      // the main window's caption, for the header
  std::string date;         // today's date, "MM/DD/YY"
  // The report table's record count; nullopt switches "Records:" and the
  // count off (under a search that includes the memo).
  std::optional<long long> recordCount;
  // The code page of the table's text, in which every text here and in the
  // entries is given; the page set-up carries it to painting.
  codepage::CodePage codePage;
};

// The page set-up the settings give: Letter paper, margins in inches, the
// settings' code page.
PageSetup addressReportPageSetup(const AddressReportSettings& settings);

// Lays the address report out page by page: the page header on every page,
// one detail band per entry (the bold name, the memo stretching across
// pages), the closing line after the last entry. An empty table gives no
// page at all.
class AddressReportLayout {
 public:
  AddressReportLayout(AddressReportSettings settings, ReportMetrics metrics, EntrySource source);
  ~AddressReportLayout();
  AddressReportLayout(const AddressReportLayout&) = delete;
  AddressReportLayout& operator=(const AddressReportLayout&) = delete;

  const PageSetup& pageSetup() const;
  // The next finished page, or nullopt when every page has been handed out.
  std::optional<Page> nextPage();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Every page of the report at once.
std::vector<Page> layoutAddressReport(const AddressReportSettings& settings, const ReportMetrics& metrics,
                                      EntrySource source);

}  // namespace report
