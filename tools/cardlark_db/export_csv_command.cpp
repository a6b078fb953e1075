// export-csv DIR FILE [--filter EXPR]: the entries as a CSV file with a
// header row (exchange/csv_mapping.h), UTF-8 with a byte order mark so that
// spreadsheets take it as UTF-8, CR LF.

#include "cardlark_db/exchange_io.h"
#include "exchange/csv_mapping.h"

namespace cardlark::db {

int runExportCsv(const Arguments& arguments) {
  const exchange::CodePage codePage = exchange::tableCodePage(tableFiles(arguments.operands[0]).dbf);
  std::string header = "\xEF\xBB\xBF";
  exchange::appendCsvHeader(header);
  return exportEntries(arguments, header, [&](std::string& out, const book::Entry& entry) {
    exchange::appendCsvEntry(out, entry, codePage);
  });
}

}  // namespace cardlark::db
