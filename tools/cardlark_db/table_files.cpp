#include <algorithm>
#include <cstdio>
#include <system_error>

#include "book/name_key.h"
#include "book/name_tag.h"
#include "book/table_layout.h"
#include "cardlark_db/command.h"
#include "cardlark_db/typed_text.h"
#include "xbase/cursor.h"

namespace cardlark::db {

xbase::TableFiles tableFiles(const std::filesystem::path& dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    throw xbase::Error(xbase::ErrorCode::NotFound, "Folder " + dir.string() + " does not exist");
  return xbase::findTableFiles(dir, book::kFileStem);
}

int requireField(const xbase::Cursor& cursor, const char* name) { return xbase::requireField(cursor, name); }

void settleNameTag(const char* command, const std::filesystem::path& dir) {
  book::NameTagState state;
  try {
    const std::filesystem::path dbf = tableFiles(dir).dbf;
    if (!std::filesystem::exists(dbf)) return;
    state = book::ensureNameTag(dbf);
  } catch (const std::exception&) {
    return;
  }
  if (!state.note.empty()) std::fprintf(stderr, "cardlark-db %s: %s\n", command, state.note.c_str());
}

NamedRecord namedRecord(std::uint32_t recno, std::string name) {
  return {book::nameIndexKey(name), recno, std::move(name)};
}

void sortByName(std::vector<NamedRecord>& records) {
  std::sort(records.begin(), records.end(), [](const NamedRecord& a, const NamedRecord& b) {
    return a.key != b.key ? a.key < b.key : a.recno < b.recno;
  });
}

EntriesByName openEntriesByName(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  const int name = requireField(*cursor, book::kName);
  const int memo = requireField(*cursor, book::kInfo);
  cursor->setExact(true);
  applyFilterOption(*cursor, arguments);
  EntriesByName entries{std::move(cursor), name, memo, {}, 0};
  if (book::hasNameTag(*entries.cursor)) {
    entries.cursor->setOrder(book::kTagName);
    return entries;
  }
  std::vector<NamedRecord> sorted;
  for (entries.cursor->first(); !entries.cursor->eof(); entries.cursor->skip())
    sorted.push_back(namedRecord(entries.cursor->recno(), entries.cursor->value(name)));
  sortByName(sorted);
  entries.sorted = std::move(sorted);
  return entries;
}

bool EntriesByName::next() {
  if (!sorted) {
    if (at++ == 0)
      cursor->first();
    else
      cursor->skip();
    return !cursor->eof();
  }
  if (at >= sorted->size()) return false;
  cursor->go((*sorted)[at++].recno);
  return true;
}

codepage::CodePage codePageOf(const xbase::Cursor& cursor) {
  return codepage::CodePage::fromMark(cursor.codePageMark());
}

void applyFilterOption(xbase::Cursor& cursor, const Arguments& arguments) {
  cursor.setFilter(tableText(arguments.option("--filter", ""), codePageOf(cursor), "--filter"));
}

}  // namespace cardlark::db
