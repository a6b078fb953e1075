#include "zip/table_backup.h"

namespace zip {

BackupResult backupFiles(const std::string& archivePath, const std::vector<std::string>& filePaths) {
  BackupResult result;
  ZipArchive archive = ZipArchive::open(archivePath);
  for (const std::string& file : filePaths) result.files.emplace_back(file, archive.freshen(file));
  result.save = archive.save(ZipArchive::Unreadable::Fail);
  return result;
}

}  // namespace zip
