#pragma once

#include <QString>

#include "book/table_layout.h"

namespace store {

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
