#include <system_error>

#include "cardlark_db/command.h"
#include "xbase/cursor.h"

namespace cardlark::db {

std::string upperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

namespace {

// The entry of `dir` whose name upper-cases to `upperName`; the usual name
// when there is none.
std::filesystem::path findIgnoringCase(const std::filesystem::path& dir, const std::string& upperName,
                                       const std::string& usualName) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (upperAscii(entry.path().filename().string()) == upperName) return entry.path();
  }
  return dir / usualName;
}

}  // namespace

TableFiles tableFiles(const std::filesystem::path& dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    throw xbase::Error(xbase::ErrorCode::NotFound, "Folder " + dir.string() + " does not exist");
  return {findIgnoringCase(dir, "ADDRESS.DBF", "ADDRESS.DBF"), findIgnoringCase(dir, "ADDRESS.CDX", "ADDRESS.CDX")};
}

int requireField(const xbase::Cursor& cursor, const char* name) {
  const int index = cursor.fieldIndex(name);
  if (index < 0) throw xbase::Error(xbase::ErrorCode::NotFound, std::string("The table has no field ") + name);
  return index;
}

}  // namespace cardlark::db
