// seek DIR KEY [--soft] and count DIR [--filter EXPR]: the two read-only
// questions a script asks of the table.

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "book/name_tag.h"
#include "cardlark_db/command.h"
#include "cardlark_db/typed_text.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"

namespace cardlark::db {

namespace {

// The seek of a table without the tag: the live entries sorted as the tag
// would list them, searched the way a seek searches the tag (a soft seek
// compares a short key as a prefix). The record found, 0 when none;
// `exact` tells whether its key is the whole key sought.
std::uint32_t seekInMemory(xbase::Cursor& cursor, const std::string& key, bool soft, bool& exact) {
  const int name = requireField(cursor, book::kName);
  std::vector<NamedRecord> records;
  for (cursor.first(); !cursor.eof(); cursor.skip()) records.push_back(namedRecord(cursor.recno(), cursor.value(name)));
  sortByName(records);
  const std::string whole = namedRecord(0, key).key;
  const std::string probe = key.size() < whole.size() ? key : whole;
  const auto at = std::find_if(records.begin(), records.end(), [&](const NamedRecord& r) {
    return soft ? r.key.compare(0, probe.size(), probe) >= 0 : r.key == whole;
  });
  exact = at != records.end() && at->key == whole;
  return at == records.end() || (!soft && !exact) ? 0 : at->recno;
}

}  // namespace

// Looks KEY up in the tag "Address" (or, when the table lacks it, in its
// entries sorted the same way). The tag holds upper-cased names, so the key
// is upper-cased the same way (a to z only) before the seek.
int runSeek(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  const bool soft = arguments.has("--soft");
  const std::string key = xbase::asciiUpper(tableText(arguments.operands[1], codePageOf(*cursor), "KEY"));
  bool found = false;
  std::uint32_t recno = 0;
  if (book::hasNameTag(*cursor)) {
    cursor->setOrder(book::kTagName);
    found = cursor->seek(key, soft);
    if (found || (soft && !cursor->eof())) recno = cursor->recno();
  } else {
    recno = seekInMemory(*cursor, key, soft, found);
  }
  if (recno != 0) {
    std::printf("%" PRIu32 "\n", recno);
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
