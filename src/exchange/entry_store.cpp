#include "exchange/entry_store.h"

#include "xbase/address_table.h"
#include "xbase/cursor.h"

namespace exchange {

namespace {

namespace address = xbase::address;

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

std::uint32_t appendEntries(xbase::Cursor& cursor, const EntrySource& source) {
  const int name = xbase::requireField(cursor, address::kName);
  const int memo = xbase::requireField(cursor, address::kInfo);
  const int date = xbase::requireField(cursor, address::kLastDate);
  std::uint32_t first = 0;
  source([&](const NewEntry& entry) {
    cursor.beginAppend();
    cursor.setValue(name, entry.name);
    cursor.setValue(memo, entry.memo);
    cursor.setValue(date, entry.date);
    cursor.post();
    if (first == 0) first = cursor.recno();
  });
  return first;
}

}  // namespace

std::uint32_t storeEntries(const std::filesystem::path& dbf, std::uint32_t count, const EntrySource& source) {
  const std::uint32_t present = xbase::tableInfo(dbf).recordCount;
  auto cursor = openForImport(dbf);
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
    const std::uint32_t first = appendEntries(*cursor, source);
    if (bulk) cursor->endBulkAppend();
    cursor->commitBatch();
    return first;
  } catch (const xbase::Error& e) {
    cursor->rollbackBatch();
    throw xbase::Error(e.code(), std::string(e.what()) + "; nothing was imported");
  } catch (...) {
    cursor->rollbackBatch();
    throw;
  }
}

}  // namespace exchange
