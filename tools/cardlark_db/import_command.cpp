// import DIR FILE: appends one entry per line of FILE (see import_line.h).
// The whole file is checked first, so a bad line leaves the table as it
// was; then the entries are appended in file order with their tags kept.

#include <exception>
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

// Rebuilds the tags after a bulk append also when the import fails midway,
// so the records already stored are found through the index.
class BulkAppendGuard {
 public:
  explicit BulkAppendGuard(xbase::Cursor* cursor) : cursor_(cursor) {}
  ~BulkAppendGuard() {
    if (cursor_ && std::uncaught_exceptions() > 0) {
      try {
        cursor_->endBulkAppend();
      } catch (...) {  // the first error is the one to report; reindex repairs the index
      }
    }
  }
  void finish() {
    if (cursor_) cursor_->endBulkAppend();
    cursor_ = nullptr;
  }
  BulkAppendGuard(const BulkAppendGuard&) = delete;
  BulkAppendGuard& operator=(const BulkAppendGuard&) = delete;

 private:
  xbase::Cursor* cursor_;
};

}  // namespace

int runImport(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  const std::filesystem::path source = arguments.operands[1];
  std::uint32_t entries = 0;
  forEachEntry(source, [&](const ImportEntry&) { ++entries; });

  const std::uint32_t present = xbase::tableInfo(files.dbf).recordCount;
  auto cursor = openForImport(files.dbf);
  const int name = requireField(*cursor, address::kName);
  const int memo = requireField(*cursor, address::kInfo);
  const int date = requireField(*cursor, address::kLastDate);
  // A large import into a table it has to itself is appended without
  // per-record index updates and the tags are rebuilt once at the end; a
  // rebuild costs about a quarter of a live update per record, so it pays
  // once the import adds a third of what the table holds.
  const bool bulk = cursor->mode() == xbase::OpenMode::Exclusive && entries >= kBulkImportMinimum &&
                    std::uint64_t{entries} * 3 >= present;
  if (bulk) cursor->beginBulkAppend();
  BulkAppendGuard finishBulk(bulk ? cursor.get() : nullptr);
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
  finishBulk.finish();
  return kOk;
}

}  // namespace cardlark::db
