// delete DIR RECNO...: marks records deleted. Every number is checked before
// the first record is touched; a record already deleted stays so.

#include <cstdint>
#include <vector>

#include "cardlark_db/command.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

std::uint32_t parseRecno(const std::string& text, std::uint32_t count) {
  std::uint64_t value = 0;
  bool ok = !text.empty() && text.size() <= 10;
  for (char c : text) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (!ok) throw UsageError("\"" + text + "\" is not a record number");
  if (value < 1 || value > count)
    throw xbase::Error(xbase::ErrorCode::Argument, "Record " + text + " does not exist (the table has " +
                                                       std::to_string(count) + " records)");
  return static_cast<std::uint32_t>(value);
}

}  // namespace

int runDelete(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  const std::uint32_t count = xbase::tableInfo(files.dbf).recordCount;
  std::vector<std::uint32_t> recnos;
  for (std::size_t i = 1; i < arguments.operands.size(); ++i) recnos.push_back(parseRecno(arguments.operands[i], count));
  for (const std::uint32_t recno : recnos) {
    cursor->go(recno);
    if (!cursor->deleted()) cursor->deleteRecord();
  }
  return kOk;
}

}  // namespace cardlark::db
