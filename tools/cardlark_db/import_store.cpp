#include "cardlark_db/import_store.h"

#include "cardlark_db/command.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

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

void appendEntries(xbase::Cursor& cursor, const EntrySource& source) {
  const int name = requireField(cursor, address::kName);
  const int memo = requireField(cursor, address::kInfo);
  const int date = requireField(cursor, address::kLastDate);
  source([&](const ImportEntry& entry) {
    cursor.beginAppend();
    cursor.setValue(name, entry.name);
    cursor.setValue(memo, entry.memo);
    cursor.setValue(date, entry.date);
    cursor.post();
  });
}

}  // namespace

void storeEntries(const xbase::TableFiles& files, std::uint32_t count, const EntrySource& source) {
  const std::uint32_t present = xbase::tableInfo(files.dbf).recordCount;
  auto cursor = openForImport(files.dbf);
  // A large import into a table it has to itself is appended without
  // per-record index updates and the tags are rebuilt once at the end; a
  // rebuild costs about a quarter of a live update per record, so it pays
  // once the import adds a third of what the table holds.
  const bool bulk = cursor->mode() == xbase::OpenMode::Exclusive && count >= kBulkImportMinimum &&
                    std::uint64_t{count} * 3 >= present;
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
}

}  // namespace cardlark::db
