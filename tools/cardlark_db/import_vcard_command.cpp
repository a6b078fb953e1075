// import-vcard DIR FILE... [--rename]: one entry per card of the vCard
// files (2.1, 3.0 or 4.0), mapped as exchange/card_mapping.h describes.
// Every file is read and checked before the first entry is stored.

#include "cardlark_db/exchange_io.h"
#include "exchange/card_mapping.h"

namespace cardlark::db {

int runImportVcard(const Arguments& arguments) {
  const exchange::CodePage codePage = exchange::tableCodePage();
  std::vector<FileEntries> files;
  for (std::size_t i = 1; i < arguments.operands.size(); ++i) {
    files.push_back(readExchangeFile(arguments.operands[i], [&](std::string_view text) {
      std::vector<exchange::ImportedEntry> entries;
      for (const exchange::Card& card : exchange::readVCards(text))
        entries.push_back(exchange::entryFromCard(card, codePage));
      return entries;
    }));
  }
  return importExchangeEntries(arguments, files);
}

}  // namespace cardlark::db
