// The entry points of the engine: creating a table, reading its facts and
// opening cursors.

#include "xbase/cursor.h"

#include <unistd.h>

#include <system_error>

#include "xbase/cdx/cdx_file.h"
#include "xbase/cursor_impl.h"
#include "xbase/dbf_file.h"
#include "xbase/dbf_text.h"
#include "xbase/field_list.h"
#include "xbase/fpt_file.h"
#include "xbase/table.h"
#include "xbase/table_files.h"

namespace xbase {

int requireField(const Cursor& cursor, std::string_view name) {
  const int field = cursor.fieldIndex(name);
  if (field < 0)
    throw Error(ErrorCode::NotFound,
                "Field " + std::string(name) + " not found in " + cursor.path().filename().string());
  return field;
}

namespace {

// Removes a memo or index file left without its table, so that a new table
// of that name does not pick up stale blocks or keys.
void removeOrphan(const std::filesystem::path& dbfPath, std::string_view extension) {
  for (const auto& orphan :
       filesIgnoringCase(dbfPath.parent_path(), dbfPath.stem().string() + std::string(extension))) {
    std::error_code ec;
    if (!std::filesystem::remove(orphan, ec))
      throw Error(ErrorCode::Io, "Cannot remove the old file " + orphan.string() + ": " + ec.message());
  }
}

}  // namespace

std::string Cursor::value(std::string_view fieldName) const { return value(requireField(*this, fieldName)); }

void Cursor::setValue(std::string_view fieldName, std::string_view text) {
  setValue(requireField(*this, fieldName), text);
}

std::unique_ptr<Cursor> Cursor::open(const std::filesystem::path& dbfPath, OpenMode mode) {
  return std::make_unique<CursorImpl>(dbfPath, mode);
}

// The table file appears under its name in one step (a link from a
// finished temporary file), so a crash never leaves a half-written DBF; the
// memo file is written before it.
void createTable(const std::filesystem::path& base, std::string_view fieldList, int memoBlockSize,
                 std::uint8_t codePageMark) {
  if (memoBlockSize < 0 || memoBlockSize > 0xFFFF)
    throw Error(ErrorCode::Argument, "A memo block size is 0 to 65535 bytes");
  DbfHeader header = DbfHeader::forNewTable(parseFieldList(fieldList));
  header.codePage = codePageMark;
  const std::string name = asciiUpper(base.filename().string());
  if (name.empty()) throw Error(ErrorCode::Argument, "A table needs a name");
  const auto folder = base.parent_path();
  const auto dbfPath = folder / (name + ".DBF");
  std::error_code ec;
  if (std::filesystem::exists(dbfPath, ec))
    throw Error(ErrorCode::Argument, "The table " + dbfPath.string() + " exists");
  removeOrphan(dbfPath, ".FPT");
  removeOrphan(dbfPath, ".CDX");
  if (header.hasMemo()) FptFile::create(folder / (name + ".fpt"), static_cast<std::uint32_t>(memoBlockSize));
  const auto temporary = folder / (name + ".DBF.creating");
  std::filesystem::remove(temporary, ec);
  DbfFile::create(temporary, header);
  const int linked = ::link(temporary.c_str(), dbfPath.c_str());
  const int error = errno;
  std::filesystem::remove(temporary, ec);
  if (linked != 0) {
    if (error == EEXIST) throw Error(ErrorCode::Argument, "The table " + dbfPath.string() + " exists");
    throw Error(ErrorCode::Io, "Cannot create " + dbfPath.string() + ": " + std::generic_category().message(error));
  }
}

TableInfo tableInfo(const std::filesystem::path& dbfPath) {
  Table table(dbfPath, OpenMode::Shared);
  TableInfo info;
  info.version = table.header().version;
  info.recordCount = table.dbf().refreshCount();
  info.lastUpdate = table.dbf().lastUpdate();
  info.codePageMark = table.header().codePage;
  info.fields = table.header().fields;
  info.memoBlockSize = table.fpt() ? static_cast<int>(table.fpt()->blockSize()) : 0;
  if (table.cdx()) info.tags = table.cdx()->tags();
  return info;
}

}  // namespace xbase
