// check DIR: "ok" and status 0 for a sound table, else one line per fault
// and status 1.

#include <cstdio>

#include "cardlark_db/command.h"
#include "xbase/table_check.h"

namespace cardlark::db {

int runCheck(const Arguments& arguments) {
  const std::vector<std::string> faults = xbase::checkTable(tableFiles(arguments.operands[0]).dbf);
  if (faults.empty()) {
    std::printf("ok\n");
    return kOk;
  }
  for (const std::string& fault : faults) std::printf("%s\n", fault.c_str());
  return kNegative;
}

}  // namespace cardlark::db
