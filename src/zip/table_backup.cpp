#include "zip/table_backup.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "zip/zip_error.h"

namespace zip {

namespace {

// Every file of the table must be there as an ordinary file: a backup
// without one of them could not be restored. stat() never opens the file,
// so a FIFO in its place cannot make the backup wait.
void requireOrdinaryFile(const std::string& file, const std::string& archivePath) {
  struct stat info {};
  std::string whyNot;
  if (::stat(file.c_str(), &info) != 0) {
    whyNot = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    whyNot = kNotAnOrdinaryFile;
  } else {
    return;
  }
  throw ZipError(ZipErrorKind::Io,
                 "Cannot back up " + file + ": " + whyNot + "; the backup " + archivePath + " was left as it was");
}

}  // namespace

BackupResult backupFiles(const std::string& archivePath, const std::vector<std::string>& filePaths) {
  BackupResult result;
  ZipArchive archive = ZipArchive::open(archivePath);
  for (const std::string& file : filePaths) {
    requireOrdinaryFile(file, archivePath);
    result.files.emplace_back(file, archive.freshen(file));
  }
  result.save = archive.save(ZipArchive::Unreadable::Fail);
  return result;
}

}  // namespace zip
