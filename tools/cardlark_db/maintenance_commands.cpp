// pack DIR and reindex DIR: both need the table to themselves, so they open
// it exclusively and fail cleanly while anyone else has it open.

#include "cardlark_db/command.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

std::unique_ptr<xbase::Cursor> openExclusive(const Arguments& arguments) {
  return xbase::Cursor::open(tableFiles(arguments.operands[0]).dbf, xbase::OpenMode::Exclusive);
}

}  // namespace

// Deleted records leave the table, their memo space is reclaimed and the
// tags are rebuilt.
int runPack(const Arguments& arguments) {
  openExclusive(arguments)->pack();
  return kOk;
}

// Every tag is rebuilt from the records.
int runReindex(const Arguments& arguments) {
  openExclusive(arguments)->reindex();
  return kOk;
}

}  // namespace cardlark::db
