// Fuzzes the CSV reader: any input is either refused with a ReadError or
// read, and the records read, written again, read back the same.

#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/csv.h"
#include "exchange/csv_mapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const auto records = exchange::readCsv(text);
    std::string out;
    for (const auto& record : records) exchange::appendCsvRecord(out, record.fields);
    const auto again = exchange::readCsv(out);
    if (again.size() != records.size()) __builtin_trap();
    for (std::size_t i = 0; i < records.size(); ++i)
      if (again[i].fields != records[i].fields) __builtin_trap();
    exchange::entriesFromCsv(text, exchange::CodePage());
  } catch (const exchange::ReadError&) {
  }
  return 0;
}
