#include <system_error>

#include "cardlark_db/command.h"
#include "cardlark_db/typed_text.h"
#include "book/table_layout.h"
#include "xbase/cursor.h"

namespace cardlark::db {

xbase::TableFiles tableFiles(const std::filesystem::path& dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    throw xbase::Error(xbase::ErrorCode::NotFound, "Folder " + dir.string() + " does not exist");
  return xbase::findTableFiles(dir, book::kFileStem);
}

int requireField(const xbase::Cursor& cursor, const char* name) { return xbase::requireField(cursor, name); }

EntriesByName openEntriesByName(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  const int name = requireField(*cursor, book::kName);
  const int memo = requireField(*cursor, book::kInfo);
  cursor->setOrder(book::kTagName);
  cursor->setExact(true);
  applyFilterOption(*cursor, arguments);
  return {std::move(cursor), name, memo};
}

codepage::CodePage codePageOf(const xbase::Cursor& cursor) { return codepage::CodePage::fromMark(cursor.codePageMark()); }

void applyFilterOption(xbase::Cursor& cursor, const Arguments& arguments) {
  cursor.setFilter(tableText(arguments.option("--filter", ""), codePageOf(cursor), "--filter"));
}

}  // namespace cardlark::db
