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

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "xbase/cursor.h"
#include "xbase/dbf_file.h"
#include "xbase/expression.h"
#include "xbase/table.h"

namespace xbase {

// Visits every record of the table (deleted ones too), reading in blocks.
void forEachRecordOf(const DbfFile& dbf, const std::function<void(std::uint32_t, std::string_view)>& visit);

// Packs an exclusively opened table; `keys[i]` computes the keys of tags[i].
// The table is reopened on the new files.
void packTable(Table& table, const std::vector<TagInfo>& tags, const std::vector<const Expression*>& keys);

// Completes a pack that stopped after its journal was written. Called
// before a table is opened.
void finishInterruptedPack(const std::filesystem::path& dbfPath);

}  // namespace xbase
