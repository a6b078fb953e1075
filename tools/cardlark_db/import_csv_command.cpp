// import-csv DIR FILE [--rename] [--strict]: one entry per record of a CSV
// file with a header row, mapped as exchange/csv_mapping.h describes. The
// file is read before the first entry is stored; a record that cannot be
// read is left out, or with --strict refuses the import.

#include "cardlark_db/exchange_io.h"

namespace cardlark::db {

int runImportCsv(const Arguments& arguments) {
  const exchange::CodePage codePage = exchange::tableCodePage(tableFiles(arguments.operands[0]).dbf);
  return importExchangeEntries(arguments, {exchange::readExchangeFile(arguments.operands[1], exchange::FileKind::Csv,
                                                                      codePage, arguments.has("--strict"))});
}

}  // namespace cardlark::db
