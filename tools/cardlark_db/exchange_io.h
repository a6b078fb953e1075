#pragma once

// What the exchange commands (import-vcard, import-csv, export-vcard,
// export-csv) share: the report of an import (exchange/file_import.h does
// the work) and the walk over the entries an export writes.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cardlark_db/command.h"
#include "exchange/contact_draft.h"
#include "exchange/file_import.h"

namespace cardlark::db {

// Stores the entries of `files` in the table of the operand DIR, all or
// none. An entry whose name the table (or an earlier entry) already has is
// skipped, or with --rename stored as "Name (2)". Every contact left out or
// stored despite a fault is reported by file and line on standard error,
// every one renamed on standard output, followed by the counts ("812
// imported, 3 skipped: FILE line 204 ...") and the characters replaced by
// "?". Status 0 when an entry was stored, 1 when none.
int importExchangeEntries(const Arguments& arguments, const std::vector<exchange::FileEntries>& files);

// Writes the operand FILE: `header`, then `append` for each entry that is
// not deleted and passes --filter, in name order. The file is written
// beside the target and renamed over it when complete.
int exportEntries(const Arguments& arguments, const std::string& header,
                  const std::function<void(std::string& out, const book::Entry& entry)>& append);

}  // namespace cardlark::db
