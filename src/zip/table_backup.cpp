#include "zip/table_backup.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "zip/zip_error.h"

namespace zip {

namespace {

// The table file must be there, and every file that is there must be an
// ordinary file: an archive without the table would be no backup, and a
// FIFO or a folder cannot be read as one. A missing memo file is passed
// over (the names are still worth keeping). stat() never opens the file, so
// a FIFO in its place cannot make the backup wait. Returns whether the file
// is to be archived.
bool takeOrdinaryFile(const std::string& file, bool required, const std::string& archivePath) {
  struct stat info {};
  std::string whyNot;
  if (::stat(file.c_str(), &info) != 0) {
    if (errno == ENOENT && !required) return false;
    whyNot = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    whyNot = kNotAnOrdinaryFile;
  } else {
    return true;
  }
  throw ZipError(ZipErrorKind::Io,
                 "Cannot back up " + file + ": " + whyNot + "; the backup " + archivePath + " was left as it was");
}

}  // namespace

BackupResult backupFiles(const std::string& archivePath, const std::vector<std::string>& filePaths,
                         const std::atomic<bool>* stop) {
  BackupResult result;
  ZipArchive archive = ZipArchive::open(archivePath);
  for (std::size_t i = 0; i < filePaths.size(); ++i) {
    const std::string& file = filePaths[i];
    result.files.emplace_back(
        file, takeOrdinaryFile(file, i == 0, archivePath) ? archive.freshen(file) : FreshenResult::Skipped);
  }
  result.save = archive.save(ZipArchive::Unreadable::Fail, stop);
  return result;
}

}  // namespace zip
