// delete DIR RECNO...: marks records deleted. Every number is checked before
// the first record is touched; a record already deleted stays so.

#include <cstdint>
#include <vector>

#include "book/address_book.h"
#include "cardlark_db/command.h"
#include "xbase/cursor.h"

namespace cardlark::db {

int runDelete(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  book::AddressBook book(files.dbf, book::AddressBook::Access::Shared);
  const std::uint32_t count = xbase::tableInfo(files.dbf).recordCount;
  std::vector<std::uint32_t> recnos;
  for (std::size_t i = 1; i < arguments.operands.size(); ++i)
    recnos.push_back(parseRecno(arguments.operands[i], count));
  book.removeAll(recnos);
  return kOk;
}

}  // namespace cardlark::db
