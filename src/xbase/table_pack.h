#pragma once

// Packing a table: the records not marked deleted, their memos and every
// tag are written to new files beside the old ones, which then replace them.
//
// Crash safety: the new files are complete and flushed before a journal
// ("<table>.DBF.packed", listing each new file and the name it takes) is
// written; then the files are renamed over the old ones and the journal is
// removed. A crash before the journal leaves the old table untouched (the
// leftover new files are removed by the next pack); a crash after it is
// finished by the next open, which completes the renames. The table never
// mixes old and new files.

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

}  // namespace xbase
