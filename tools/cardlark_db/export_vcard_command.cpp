// export-vcard DIR FILE [--filter EXPR]: the entries as vCard 4.0 cards in
// name order (exchange/card_mapping.h), UTF-8 with CR LF, each with the
// UID its sync state links it to, else the one derived from its name key
// (sync/sync_state.h), so two exports give every entry the same UID.

#include <cstdio>

#include "book/name_key.h"
#include "cardlark_db/exchange_io.h"
#include "exchange/card_mapping.h"
#include "sync/error.h"
#include "sync/sync_state.h"

namespace cardlark::db {

int runExportVcard(const Arguments& arguments) {
  const std::filesystem::path dbf = tableFiles(arguments.operands[0]).dbf;
  const exchange::CodePage codePage = exchange::tableCodePage(dbf);
  carddav::SyncState state;
  try {
    state = carddav::readState(carddav::stateFileOf(dbf));
  } catch (const carddav::Error& e) {  // the export does without the sync's UIDs
    std::fprintf(stderr, "export-vcard: %s; UIDs derived from the names\n", e.what());
  }
  return exportEntries(arguments, "", [&](std::string& out, const book::Entry& entry) {
    const QString uid = carddav::entryUid(state, book::nameKey(entry.name));
    exchange::appendCard(out, entry, codePage, uid.toStdString());
  });
}

}  // namespace cardlark::db
