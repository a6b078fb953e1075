// merge DIR KEEP OTHER: joins the entry OTHER into KEEP (KEEP's name, the
// memos joined without a line twice, dated today) and deletes OTHER, all or
// nothing.

#include "book/address_book.h"
#include "cardlark_db/command.h"
#include "xbase/cursor.h"

namespace cardlark::db {

int runMerge(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  const std::uint32_t count = xbase::tableInfo(files.dbf).recordCount;
  const std::uint32_t keep = parseRecno(arguments.operands[1], count);
  const std::uint32_t other = parseRecno(arguments.operands[2], count);
  book::AddressBook(files.dbf, book::AddressBook::Access::Shared).merge(keep, other);
  return kOk;
}

}  // namespace cardlark::db
