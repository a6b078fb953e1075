#include "xbase/address_table.h"

#include "xbase/cursor.h"
#include "xbase/table_files.h"

namespace xbase::address {

void createAddressTable(const std::filesystem::path& folder, bool withTag, std::uint8_t codePageMark) {
  createTable(folder / kFileStem, kFieldList, 0, codePageMark);
  if (withTag) Cursor::open(folder / kTableName, OpenMode::Exclusive)->createTag(kTagName, kTagKey);
}

std::vector<std::string> filesToBackUp(const std::filesystem::path& folder) {
  const TableFiles files = findTableFiles(folder, kFileStem);
  return {files.dbf.string(), files.memo.string()};
}

}  // namespace xbase::address
