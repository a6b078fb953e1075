#include "xbase/address_table.h"

#include "xbase/cursor.h"

namespace xbase::address {

void createAddressTable(const std::filesystem::path& folder, bool withTag) {
  createTable(folder / kFileStem, kFieldList);
  if (withTag) Cursor::open(folder / kTableName, OpenMode::Exclusive)->createTag(kTagName, kTagKey);
}

}  // namespace xbase::address
