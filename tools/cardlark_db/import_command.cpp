// import DIR FILE: appends one entry per line of FILE (see import_line.h).
// The whole file is checked first, so a bad line leaves the table as it
// was; then the entries are appended in file order with their tags kept,
// all or none: a failure midway takes back what was stored.

#include <fstream>
#include <functional>

#include "cardlark_db/command.h"
#include "cardlark_db/import_line.h"
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
      use(parseImportLine(line, address::kNameWidth));
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

constexpr std::uint32_t kBulkImportMinimum = 1000;

// Appends every entry of `source`, in file order.
void appendEntries(xbase::Cursor& cursor, const std::filesystem::path& source) {
  const int name = requireField(cursor, address::kName);
  const int memo = requireField(cursor, address::kInfo);
  const int date = requireField(cursor, address::kLastDate);
  forEachEntry(source, [&](const ImportEntry& entry) {
    cursor.beginAppend();
    cursor.setValue(name, entry.name);
    cursor.setValue(memo, entry.memo);
    cursor.setValue(date, entry.date);
    cursor.post();
  });
}

}  // namespace

int runImport(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  const std::filesystem::path source = arguments.operands[1];
  std::uint32_t entries = 0;
  forEachEntry(source, [&](const ImportEntry&) { ++entries; });

  const std::uint32_t present = xbase::tableInfo(files.dbf).recordCount;
  auto cursor = openForImport(files.dbf);
  // A large import into a table it has to itself is appended without
  // per-record index updates and the tags are rebuilt once at the end; a
  // rebuild costs about a quarter of a live update per record, so it pays
  // once the import adds a third of what the table holds.
  const bool bulk = cursor->mode() == xbase::OpenMode::Exclusive && entries >= kBulkImportMinimum &&
                    std::uint64_t{entries} * 3 >= present;
  // All or nothing: an import that fails midway (a damaged index, a full
  // disk) takes back what it had stored, so running it again adds no
  // duplicates.
  cursor->beginBatch();
  try {
    if (bulk) cursor->beginBulkAppend();
    appendEntries(*cursor, source);
    if (bulk) cursor->endBulkAppend();
    cursor->commitBatch();
  } catch (const xbase::Error& e) {
    cursor->rollbackBatch();
    throw xbase::Error(e.code(), std::string(e.what()) + "; nothing was imported");
  } catch (...) {
    cursor->rollbackBatch();
    throw;
  }
  return kOk;
}

}  // namespace cardlark::db
