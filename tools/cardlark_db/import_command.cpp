// import DIR FILE: appends one entry per line of FILE (see import_line.h).
// The whole file is checked first, so a bad line leaves the table as it
// was; then the entries are appended in file order with their tags kept.

#include <fstream>
#include <functional>

#include "cardlark_db/command.h"
#include "cardlark_db/import_line.h"
#include "cardlark_db/table_schema.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

// Calls `use` with each entry of the file; empty lines are skipped and a
// carriage return ending a line (a file written with CR LF) is dropped.
void forEachEntry(const std::filesystem::path& file, const std::function<void(const ImportEntry&)>& use) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw xbase::Error(xbase::ErrorCode::NotFound, "Cannot open " + file.string());
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    try {
      use(parseImportLine(line, kNameWidth));
    } catch (const ImportLineError& e) {
      throw xbase::Error(xbase::ErrorCode::Argument, file.string() + " line " + std::to_string(number) + ": " + e.what());
    }
  }
  if (in.bad()) throw xbase::Error(xbase::ErrorCode::Io, "Cannot read " + file.string());
}

// Exclusively when no one else has the table open, which spares each append
// its lock round trips; shared alongside a running address book.
std::unique_ptr<xbase::Cursor> openForImport(const std::filesystem::path& dbf) {
  try {
    return xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive);
  } catch (const xbase::Error& e) {
    if (e.code() != xbase::ErrorCode::Exclusive) throw;
  }
  return xbase::Cursor::open(dbf, xbase::OpenMode::Shared);
}

}  // namespace

int runImport(const Arguments& arguments) {
  const TableFiles files = tableFiles(arguments.operands[0]);
  const std::filesystem::path source = arguments.operands[1];
  forEachEntry(source, [](const ImportEntry&) {});

  auto cursor = openForImport(files.dbf);
  const int name = requireField(*cursor, kNameField);
  const int memo = requireField(*cursor, kMemoField);
  const int date = requireField(*cursor, kDateField);
  forEachEntry(source, [&](const ImportEntry& entry) {
    cursor->beginAppend();
    try {
      cursor->setValue(name, entry.name);
      cursor->setValue(memo, entry.memo);
      cursor->setValue(date, entry.date);
      cursor->post();
    } catch (...) {
      cursor->cancel();
      throw;
    }
  });
  return kOk;
}

}  // namespace cardlark::db
