#pragma once

#include <QString>

#include "xbase/address_table.h"

namespace store {

// The address table's names, fields and tag (shared with the tools).
namespace address = xbase::address;

// Creates the empty table (with its memo file, without a tag) in `folder`;
// EngineError of `component` on failure, e.g. when the table exists.
void createAddressTable(const QString& folder, const QString& component = QStringLiteral("tblAddress"));

// The address table's files in `folder`, found ignoring the case of their
// names; a missing one carries the name the engine would write.
struct AddressFiles {
  QString table;
  QString memo;
  QString index;
};
AddressFiles findAddressFiles(const QString& folder);

}  // namespace store
