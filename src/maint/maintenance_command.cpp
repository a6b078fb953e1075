#include "maint/maintenance_command.h"

#include <QDir>
#include <QFileInfo>

#include "book/table_layout.h"
#include "maint/backup_location.h"
#include "maint/filtered_copy.h"
#include "maint/maintenance_texts.h"
#include "platform/dialogs.h"
#include "platform/long_work.h"
#include "platform/program_folder.h"
#include "store/data_module.h"
#include "store/error_box.h"
#include "store/restore.h"
#include "zip/table_backup.h"
#include "zip/zip_error.h"

namespace maint {

namespace {

// Writes the backup of the table in `dataFolder`; false when `stop` was
// raised first, the archive left as it was.
bool backUpUnlessStopped(const std::string& archive, const std::string& dataFolder, const std::atomic<bool>& stop) {
  try {
    zip::backupFiles(archive, book::filesToBackUp(dataFolder), &stop);
    return true;
  } catch (const zip::ZipError& error) {
    if (error.kind() != zip::ZipErrorKind::Stopped) throw;
    return false;
  }
}

}  // namespace

MaintenanceCommand::MaintenanceCommand(store::TDM& dm, Hooks hooks, QObject* parent)
    : QObject(parent), dm_(dm), hooks_(std::move(hooks)) {}

// A slot must not let an exception into Qt's event loop: every failure ends
// the command in the default error box.
void MaintenanceCommand::ToolsSpeedClick() {
  try {
    run();
  } catch (...) {
    store::showErrorBox(std::current_exception());
  }
}

void MaintenanceCommand::run() {
  if (dm_.tblAddress.filtered()) {
    offerFilteredCopy();
    finish();
    return;
  }
  // The pack needs the table to itself; the report's cursor is closed at
  // the end anyway, so close it first instead of letting the pack fail.
  dm_.tblClone.close();
  dm_.closeFilterAndPack();
  if (platform::dialogs().askYesNo(kArchiveQuestion)) {
    bool cancelled = false;
    const QString archive = writeArchive(cancelled);
    platform::dialogs().message(cancelled ? archiveCancelledText(archive) : archiveSuccessText(archive));
  }
  if (hooks_.offerSync) hooks_.offerSync(dm_.tblAddress.folder());
  finish();
}

// While a search is active nothing is packed or archived; the user may
// instead copy the entries found, as a table of their own, to a folder.
void MaintenanceCommand::offerFilteredCopy() {
  if (!platform::dialogs().confirm(kFilteredRefusal) || !hooks_.chooseFolder) return;
  const QString folder = hooks_.chooseFolder();
  if (folder.isEmpty()) return;
  copyFilteredEntries(folder);
}

void MaintenanceCommand::copyFilteredEntries(const QString& folder) {
  const QString dataFolder = QFileInfo(dm_.tblAddress.folder()).canonicalFilePath();
  if (QFileInfo(folder).canonicalFilePath() == dataFolder) {
    platform::dialogs().warning(copyOntoOwnTableText());
    return;
  }
  if (addressTableExistsIn(folder) && !platform::dialogs().askYesNo(copyReplaceQuestion(folder))) return;
  const int count = copyShownEntries(dm_.tblAddress, folder);
  platform::dialogs().message(copyDoneText(count, folder));
}

// Writes the backup with tblAddress closed, reopens it shared whatever
// happened, and returns the archive's path. The user may cancel the write,
// which leaves the archive as it was.
QString MaintenanceCommand::writeArchive(bool& cancelled) {
  const QString dataFolder = dm_.tblAddress.folder();
  const QString archive = backupArchivePath(platform::ProgramFolder::path(), dataFolder);
  const store::ControlsDisabled hold(dm_.tblAddress);
  dm_.tblAddress.close();
  store::runThenRestore(
      [&] {
        platform::runStoppableLongWork(QStringLiteral("Writing the backup ") + archive + QStringLiteral(" ..."),
                                       [&](const std::atomic<bool>& stop) {
                                         cancelled = !backUpUnlessStopped(archive.toStdString(),
                                                                          dataFolder.toStdString(), stop);
                                       });
      },
      [&] {
        dm_.tblAddress.setExclusive(false);
        dm_.tblAddress.open();
      });
  return archive;
}

void MaintenanceCommand::finish() {
  dm_.tblClone.close();
  if (hooks_.refreshGrid) hooks_.refreshGrid();
}

}  // namespace maint
