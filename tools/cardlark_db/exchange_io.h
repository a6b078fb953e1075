#pragma once

// What the exchange commands (import-vcard, import-csv, export-vcard,
// export-csv) share: whole files read and written, the duplicate-name rule
// of an import, and the walk over the entries an export writes.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cardlark_db/command.h"
#include "exchange/contact_draft.h"

namespace cardlark::db {

std::string readWholeFile(const std::filesystem::path& file);

struct FileEntries {
  std::filesystem::path file;
  std::vector<exchange::ImportedEntry> entries;
};

// Reads one file with `read`, which throws exchange::ReadError for a bad
// file; the error names the file and its line.
FileEntries readExchangeFile(const std::filesystem::path& file,
                             const std::function<std::vector<exchange::ImportedEntry>(std::string_view)>& read);

// Stores the entries of `files` in the table of the operand DIR, all or
// none. An entry whose name the table (or an earlier entry) already has is
// reported by file and line and skipped, or with --rename stored as
// "Name (2)". Prints the counts: entries imported, skipped, characters
// replaced.
int importExchangeEntries(const Arguments& arguments, const std::vector<FileEntries>& files);

// Writes the operand FILE: `header`, then `append` for each entry that is
// not deleted and passes --filter, in name order.
int exportEntries(const Arguments& arguments, const std::string& header,
                  const std::function<void(std::string& out, const exchange::Entry& entry)>& append);

}  // namespace cardlark::db
