// create DIR: an empty ADDRESS table with its memo file and the tag
// "Address" on upper(Name).

#include <cstdio>

#include "cardlark_db/command.h"
#include "xbase/error.h"

namespace cardlark::db {

int runCreate(const Arguments& arguments) {
  const std::filesystem::path dir = arguments.operands[0];
  const xbase::TableFiles files = tableFiles(dir);
  std::error_code ec;
  if (std::filesystem::exists(files.dbf, ec))
    throw xbase::Error(xbase::ErrorCode::Argument, files.dbf.string() + " already exists");
  address::createAddressTable(dir, true);
  return kOk;
}

}  // namespace cardlark::db
