#include "zip/table_backup.h"

#include <filesystem>
#include <system_error>

#include "zip/entry_name.h"

namespace zip {

std::string findIgnoringCase(const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  fs::path exact = fs::path(folder) / name;
  std::error_code error;
  if (fs::exists(exact, error)) return exact.string();
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (sameEntryName(it->path().filename().string(), name)) return it->path().string();
  }
  return exact.string();
}

std::vector<std::string> tableFilesToBackUp(const std::string& dataFolder) {
  return {findIgnoringCase(dataFolder, "ADDRESS.DBF"), findIgnoringCase(dataFolder, "ADDRESS.fpt")};
}

BackupResult backupFiles(const std::string& archivePath, const std::vector<std::string>& filePaths) {
  BackupResult result;
  ZipArchive archive = ZipArchive::open(archivePath);
  for (const std::string& file : filePaths) result.files.emplace_back(file, archive.freshen(file));
  result.save = archive.save();
  return result;
}

}  // namespace zip
