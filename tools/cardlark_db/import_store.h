#pragma once

// Storing the entries of an import: the table opened exclusively when no
// one else has it open (shared alongside a running address book), the
// entries appended all or none, a large import appended without per-record
// index updates. Shared by every import command.

#include <cstdint>
#include <functional>

#include "cardlark_db/import_line.h"
#include "xbase/table_files.h"

namespace cardlark::db {

// Calls its argument once with each entry to store, in order.
using EntrySource = std::function<void(const std::function<void(const ImportEntry&)>& store)>;

// Appends the `count` entries of `source` to the table of `files`. On any
// failure whatever was stored is taken back and the error says "nothing
// was imported".
void storeEntries(const xbase::TableFiles& files, std::uint32_t count, const EntrySource& source);

}  // namespace cardlark::db
