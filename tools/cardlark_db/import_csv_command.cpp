// import-csv DIR FILE [--rename]: one entry per record of a CSV file with a
// header row, mapped as exchange/csv_mapping.h describes. The file is read
// and checked before the first entry is stored.

#include "cardlark_db/exchange_io.h"
#include "exchange/csv_mapping.h"

namespace cardlark::db {

int runImportCsv(const Arguments& arguments) {
  const exchange::CodePage codePage = exchange::tableCodePage();
  const FileEntries file = readExchangeFile(
      arguments.operands[1], [&](std::string_view text) { return exchange::entriesFromCsv(text, codePage); });
  return importExchangeEntries(arguments, {file});
}

}  // namespace cardlark::db
