#include "maint/backup_location.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "zip/table_backup.h"

namespace maint {

namespace {

// The archive is written as a new file beside the old one and renamed over
// it, so what matters is whether the folder itself takes new files.
bool folderTakesNewFiles(const QString& folder) {
  return !folder.isEmpty() && QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

}  // namespace

QString backupArchivePath(const QString& programFolder, const QString& dataFolder) {
  const QString folder = folderTakesNewFiles(programFolder) ? programFolder : dataFolder;
  return QFileInfo(QDir(folder).filePath(QString::fromLatin1(zip::kBackupArchiveName))).absoluteFilePath();
}

}  // namespace maint
