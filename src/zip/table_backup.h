#pragma once

#include <string>
#include <utility>
#include <vector>

#include "zip/zip_archive.h"

namespace zip {

// The name of the backup archive, in the program's folder or a chosen one.
inline constexpr const char* kBackupArchiveName = "KTdata.zip";

struct BackupResult {
  std::vector<std::pair<std::string, FreshenResult>> files;  // each file and what became of it
  SaveReport save;
};

// Opens (or starts) the archive, freshens it with the files in order and saves
// it once. One save for the whole set keeps the table and memo file of the
// archive from two different moments: the archive holds either the previous
// pair or the new one, never a new table beside an old memo file. The first
// file (the table) is required; a later one that is missing is passed over
// (Skipped). A missing table, a file that is not an ordinary file (a FIFO, a
// folder) or one that cannot be read fails the backup (ZipError Io naming it
// and the reason) and the archive stays as it was. So does raising `stop`
// before the archive is complete (ZipError Stopped).
BackupResult backupFiles(const std::string& archivePath, const std::vector<std::string>& filePaths,
                         const std::atomic<bool>* stop = nullptr);

}  // namespace zip
