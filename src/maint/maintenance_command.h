#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace store {
class TDM;
}

namespace maint {

// The main window's pack, reindex and archive command (the ToolsSpeed
// button). In order: refuse while a search is active (offering to copy the
// entries found to another folder instead); pack the table, which also
// rebuilds its index; ask whether to write the zip backup; write it with the
// table closed (Cancel leaves the old archive as it was) and reopen the
// table whatever happens; report; offer to synchronize the table (the
// offerSync hook); close the report cursor and refresh the grid.
//
// The table files come from the data folder in use (tblAddress's folder).
// The archive KTdata.zip goes to the program's folder, or to the data folder
// when the program's folder cannot be written; the messages name the path
// actually used. Failures are shown in the default error box and end the
// command there. Messages go through platform::dialogs().
class MaintenanceCommand : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<void()> refreshGrid;      // redraw ZurGrid
    std::function<QString()> chooseFolder;  // FolderDialog1; "" when cancelled
    // The offer to synchronize the table in the data folder given; asks and
    // syncs only when that folder's table has a server to sync with.
    std::function<void(const QString& dataFolder)> offerSync = {};
  };

  MaintenanceCommand(store::TDM& dm, Hooks hooks, QObject* parent = nullptr);

 public slots:
  void ToolsSpeedClick();

 private:
  void run();
  void offerFilteredCopy();
  void copyFilteredEntries(const QString& folder);
  QString writeArchive(bool& cancelled);
  void finish();

  store::TDM& dm_;
  Hooks hooks_;
};

}  // namespace maint
