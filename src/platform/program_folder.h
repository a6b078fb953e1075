#pragma once

#include <QString>

namespace platform {

// The folder of the executable (where the backup archive is written), from
// one place that tests can set. Needs a QCoreApplication unless set.
class ProgramFolder {
 public:
  // Absolute path, no trailing separator.
  static QString path();
  // path() joined with a file name, e.g. filePath("KTdata.zip").
  static QString filePath(const QString& fileName);
  // Overrides the folder (tests); an empty path returns to the executable's.
  static void setPath(const QString& folder);
};

}  // namespace platform
