// create DIR: an empty ADDRESS table with its memo file and the tag
// "Address" on upper(Name).

#include <cstdio>

#include "cardlark_db/command.h"
#include "cardlark_db/table_schema.h"
#include "xbase/cursor.h"

namespace cardlark::db {

int runCreate(const Arguments& arguments) {
  const std::filesystem::path dir = arguments.operands[0];
  const TableFiles files = tableFiles(dir);
  std::error_code ec;
  if (std::filesystem::exists(files.dbf, ec))
    throw xbase::Error(xbase::ErrorCode::Argument, files.dbf.string() + " already exists");
  xbase::createTable(dir / kTableName, kFieldList);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Exclusive);
  cursor->createTag(kTagName, kTagExpression);
  return kOk;
}

}  // namespace cardlark::db
