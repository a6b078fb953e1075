#include "maint/table_backup.h"

#include "xbase/address_table.h"
#include "xbase/table_files.h"

namespace ziparchive {

std::vector<std::string> tableFilesToBackUp(const std::string& dataFolder) {
  const xbase::TableFiles files = xbase::findTableFiles(dataFolder, xbase::address::kFileStem);
  return {files.dbf.string(), files.memo.string()};
}

BackupResult backupFiles(const std::string& archivePath, const std::vector<std::string>& filePaths) {
  BackupResult result;
  ZipArchive archive = ZipArchive::open(archivePath);
  for (const std::string& file : filePaths) result.files.emplace_back(file, archive.freshen(file));
  result.save = archive.save();
  return result;
}

}  // namespace ziparchive
