// import-vcard DIR FILE... [--rename] [--strict]: one entry per card of the
// vCard files (2.1, 3.0 or 4.0), mapped as exchange/card_mapping.h
// describes. Every file is read before the first entry is stored; a card
// that cannot be read is left out, or with --strict refuses the import.

#include "cardlark_db/exchange_io.h"

namespace cardlark::db {

int runImportVcard(const Arguments& arguments) {
  const exchange::CodePage codePage = exchange::tableCodePage(tableFiles(arguments.operands[0]).dbf);
  std::vector<exchange::FileEntries> files;
  for (std::size_t i = 1; i < arguments.operands.size(); ++i)
    files.push_back(exchange::readExchangeFile(arguments.operands[i], exchange::FileKind::VCard, codePage,
                                               arguments.has("--strict")));
  return importExchangeEntries(arguments, files);
}

}  // namespace cardlark::db
