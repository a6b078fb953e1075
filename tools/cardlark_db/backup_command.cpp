// backup DIR [ZIPFILE]: freshens the zip backup (default DIR/KTdata.zip) with
// the table's ADDRESS.DBF and ADDRESS.fpt, as the program's maintenance
// command does, for scheduled backups. One line per file says what became of
// it; the archive is rewritten only when an entry was added or replaced.

#include <cstdio>

#include "book/table_layout.h"
#include "cardlark_db/command.h"
#include "zip/table_backup.h"

namespace cardlark::db {

namespace {

const char* outcomeWord(zip::FreshenResult result) {
  switch (result) {
    case zip::FreshenResult::Added: return "added";
    case zip::FreshenResult::Replaced: return "replaced";
    case zip::FreshenResult::Kept: return "kept";
    case zip::FreshenResult::Skipped: break;
  }
  return "skipped";
}

}  // namespace

int runBackup(const Arguments& arguments) {
  const std::filesystem::path dir = arguments.operands[0];
  tableFiles(dir);  // the folder must exist
  const std::string archive = arguments.operands.size() > 1 ? arguments.operands[1]
                                                            : (dir / zip::kBackupArchiveName).string();
  const zip::BackupResult result = zip::backupFiles(archive, book::filesToBackUp(dir.string()));
  for (const auto& [file, outcome] : result.files) std::printf("%s %s\n", outcomeWord(outcome), file.c_str());
  std::printf("%s %s\n", result.save.written ? "written" : "unchanged", archive.c_str());
  return kOk;
}

}  // namespace cardlark::db
