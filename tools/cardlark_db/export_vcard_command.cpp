// export-vcard DIR FILE [--filter EXPR]: the entries as vCard 4.0 cards in
// name order (exchange/card_mapping.h), UTF-8 with CR LF.

#include "cardlark_db/exchange_io.h"
#include "exchange/card_mapping.h"

namespace cardlark::db {

int runExportVcard(const Arguments& arguments) {
  const exchange::CodePage codePage = exchange::tableCodePage(tableFiles(arguments.operands[0]).dbf);
  return exportEntries(arguments, "",
                       [&](std::string& out, const book::Entry& entry) { exchange::appendCard(out, entry, codePage); });
}

}  // namespace cardlark::db
