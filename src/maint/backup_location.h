#pragma once

#include <QString>

namespace maint {

// Where the backup archive goes: KTdata.zip in the program's folder, or in
// the data folder when the program's folder cannot be written (a read-only
// installation). Returns an absolute path, the one the messages name.
QString backupArchivePath(const QString& programFolder, const QString& dataFolder);

}  // namespace maint
