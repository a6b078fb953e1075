#include "book/table_layout.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "xbase/cursor.h"
#include "xbase/error.h"
#include "xbase/table_files.h"

namespace book {

namespace {

// link() refuses an existing name, so no earlier leftover is ever replaced.
std::filesystem::path moveAside(const std::filesystem::path& file) {
  for (int number = 0;; ++number) {
    std::filesystem::path target = file;
    target += number == 0 ? std::string(".orphaned") : ".orphaned." + std::to_string(number);
    const int linked = ::link(file.c_str(), target.c_str());
    if (linked == 0 && ::unlink(file.c_str()) == 0) return target;
    if (linked != 0 && errno == EEXIST) continue;
    throw xbase::Error(xbase::ErrorCode::Io,
                       "Cannot move " + file.string() + " aside: " + std::generic_category().message(errno));
  }
}

}  // namespace

std::vector<std::filesystem::path> setAsideLeftovers(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> moved;
  for (const char* name : {kMemoFile, kIndexFile})
    for (const std::filesystem::path& file : xbase::filesIgnoringCase(folder, name)) moved.push_back(moveAside(file));
  return moved;
}

void createAddressTable(const std::filesystem::path& folder, bool withTag, std::uint8_t codePageMark) {
  // Checked here, in any spelling, before anything is moved: the memo and
  // index files of an existing table are no leftovers.
  if (const std::filesystem::path table = xbase::findIgnoringCase(folder, kTableName); !table.empty())
    throw xbase::Error(xbase::ErrorCode::Argument, "The table " + table.string() + " exists");
  setAsideLeftovers(folder);
  xbase::createTable(folder / kFileStem, kFieldList, 0, codePageMark);
  if (withTag) xbase::Cursor::open(folder / kTableName, xbase::OpenMode::Exclusive)->createTag(kTagName, kTagKey);
}

std::vector<std::string> filesToBackUp(const std::filesystem::path& folder) {
  const xbase::TableFiles files = xbase::findTableFiles(folder, kFileStem);
  return {files.dbf.string(), files.memo.string()};
}

}  // namespace book
