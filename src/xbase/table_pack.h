#pragma once

// Packing a table: the records not marked deleted, their memos and every
// tag are written to new files beside the old ones, which then replace them.
//
// Crash safety: the new files are complete and flushed before a journal
// ("<table>.DBF.packed") is written. Each of its lines names a new file, the
// name it takes, its size and its CRC-32, tab separated:
//   ADDRESS.DBF.packing <TAB> ADDRESS.DBF <TAB> 4242 <TAB> 1c291ca3
// Then the files are renamed over the old ones and the journal is removed.
// A pack that fails before its journal removes its new files; a crash
// before the journal leaves the old table untouched (leftover new files are
// removed by the next pack); a crash after it is finished by the next open,
// once every file the journal names verifies (the new file, or the file it
// became). A journal that does not verify is kept, nothing is renamed, and
// the open fails saying so. The table never mixes old and new files.

#include <filesystem>
#include <vector>

#include "xbase/table.h"
#include "xbase/table_tag.h"

namespace xbase {

// Packs an exclusively opened table; `rules[i]` makes the entries of tag i.
// A new index file is built with every tag of the old one (names and
// options kept), filled from the packed records. The table is reopened on the new files.
void packTable(Table& table, const std::vector<const TagRule*>& rules);

// Completes a pack that stopped after its journal was written. Called
// before a table is opened.
void finishInterruptedPack(const std::filesystem::path& dbfPath);

// The journal of a pack of the table at `dbfPath`.
std::filesystem::path packJournalOf(const std::filesystem::path& dbfPath);

}  // namespace xbase
