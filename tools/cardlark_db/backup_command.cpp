// backup DIR [ZIPFILE]: freshens the zip backup (default DIR/KTdata.zip) with
// the table's ADDRESS.DBF and ADDRESS.fpt, as the program's maintenance
// command does, for scheduled backups. One line per file says what became of
// it; the archive is rewritten only when an entry was added or replaced.

#include <cstdio>

#include "cardlark_db/command.h"
#include "maint/table_backup.h"

namespace cardlark::db {

namespace {

const char* outcomeWord(ziparchive::FreshenResult result) {
  switch (result) {
    case ziparchive::FreshenResult::Added: return "added";
    case ziparchive::FreshenResult::Replaced: return "replaced";
    case ziparchive::FreshenResult::Kept: return "kept";
    case ziparchive::FreshenResult::Skipped: break;
  }
  return "skipped";
}

}  // namespace

int runBackup(const Arguments& arguments) {
  const std::filesystem::path dir = arguments.operands[0];
  tableFiles(dir);  // the folder must exist
  const std::string archive = arguments.operands.size() > 1
                                  ? arguments.operands[1]
                                  : (dir / ziparchive::kBackupArchiveName).string();
  const ziparchive::BackupResult result = ziparchive::backupFiles(archive, ziparchive::tableFilesToBackUp(dir.string()));
  for (const auto& [file, outcome] : result.files) std::printf("%s %s\n", outcomeWord(outcome), file.c_str());
  for (const std::string& file : result.save.unreadable) {
    std::fprintf(stderr, "cardlark-db backup: cannot read %s; its previous entry (if any) was kept\n", file.c_str());
  }
  std::printf("%s %s\n", result.save.written ? "written" : "unchanged", archive.c_str());
  return kOk;
}

}  // namespace cardlark::db
