#include "store/address_schema.h"

#include "store/ansi_text.h"
#include "store/engine_error.h"
#include "xbase/table_files.h"

namespace store {

void createAddressTable(const QString& folder, const QString& component) {
  translateEngineErrors(component, [&] { book::createAddressTable(toFileSystemPath(folder), false); });
}

AddressFiles findAddressFiles(const QString& folder) {
  const xbase::TableFiles files = xbase::findTableFiles(toFileSystemPath(folder), book::kFileStem);
  return {fromFileSystemPath(files.dbf), fromFileSystemPath(files.memo), fromFileSystemPath(files.index)};
}

}  // namespace store
