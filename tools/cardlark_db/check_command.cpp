// check DIR: "ok" and status 0 for a sound table, else one line per fault
// and status 1. A table without its index file, or whose index lacks the
// tag Address, is a fault too, reported with the command that repairs it.

#include <cstdio>

#include "book/name_tag.h"
#include "cardlark_db/command.h"
#include "xbase/error.h"
#include "xbase/table_check.h"

namespace cardlark::db {

int runCheck(const Arguments& arguments) {
  const std::filesystem::path dbf = tableFiles(arguments.operands[0]).dbf;
  std::vector<std::string> faults = xbase::checkTable(dbf);
  try {
    if (const std::string lack = book::nameTagLack(dbf); !lack.empty())
      faults.push_back(lack + "; repair: cardlark-db reindex " + arguments.operands[0]);
  } catch (const xbase::Error&) {
    // A table or index that cannot be read: checkTable has named the fault.
  }
  if (faults.empty()) {
    std::printf("ok\n");
    return kOk;
  }
  for (const std::string& fault : faults) std::printf("%s\n", fault.c_str());
  return kNegative;
}

}  // namespace cardlark::db
