// Fuzzes the prepared-report reader: any bytes either load as pages or are
// refused as a damaged file; a loaded report writes back to the same bytes.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "report/prepared_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const report::PreparedReport report = report::readPreparedReport(bytes);
    if (report::writePreparedReport(report) != bytes) std::abort();
  } catch (const report::PreparedReportError&) {
  }
  return 0;
}
