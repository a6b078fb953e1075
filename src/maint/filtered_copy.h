#pragma once

#include <QString>

namespace store {
class EngineTable;
}

namespace maint {

// Whether `folder` holds an address table (any of its three files, in any case).
bool addressTableExistsIn(const QString& folder);

// Writes the entries that `table` shows (its filter in force) as a new address
// table with its index into `folder`, replacing a table there. The copy is
// built in a temporary folder inside `folder` and its files are then renamed
// into place, so a failure halfway leaves any table there as it was. The
// table's current record is kept; its bound controls are held back meanwhile.
// Returns the number of entries copied. Engine failures raise EngineError.
int copyShownEntries(store::EngineTable& table, const QString& folder);

}  // namespace maint
