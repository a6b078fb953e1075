// seek DIR KEY [--soft] and count DIR [--filter EXPR]: the two read-only
// questions a script asks of the table.

#include <cinttypes>
#include <cstdio>

#include "cardlark_db/command.h"
#include "cardlark_db/typed_text.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"

namespace cardlark::db {

// Looks KEY up in the tag "Address". The tag holds upper-cased names, so the
// key is upper-cased the same way (a to z only) before the seek.
int runSeek(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  cursor->setOrder(book::kTagName);
  const bool soft = arguments.has("--soft");
  const bool found = cursor->seek(xbase::asciiUpper(tableText(arguments.operands[1], codePageOf(*cursor), "KEY")), soft);
  if (found || (soft && !cursor->eof() && cursor->recno() != 0)) {
    std::printf("%" PRIu32 "\n", cursor->recno());
    return kOk;
  }
  std::printf("not found\n");
  return kNegative;
}

// Counts the records that are not deleted and pass the filter. Exact string
// comparison is on, as in the address book's own filters: Name = "Smith"
// means the whole name.
int runCount(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  cursor->setExact(true);
  applyFilterOption(*cursor, arguments);
  std::printf("%" PRIu32 "\n", cursor->count());
  return kOk;
}

}  // namespace cardlark::db
