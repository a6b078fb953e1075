#pragma once

// The sync step of the maintenance command: when the data folder holds a
// sync state (ADDRESS.sync), offers "Synchronize with <server>?", asks the
// user name and password (kept only for this run, never written), runs the
// sync while a progress dialog names the server, and shows the summary
// (sent, received, deleted, conflicts). The sync opens the table shared like
// any other writer, so a table held exclusively by someone else is refused
// with the engine's error, which propagates to the command's error box.

#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <optional>

#include "sync/dav_client.h"
#include "sync/synchronizer.h"

namespace maint {

struct SyncSeams {
  // The user name and password for `server`; nullopt when cancelled.
  std::function<std::optional<carddav::Credentials>(const QString& server)> askCredentials;
  // Runs the sync, showing its progress.
  std::function<carddav::SyncSummary(const std::filesystem::path& dbf, const QUrl& server,
                                     const carddav::Credentials& credentials)>
      synchronize;
};

// Password dialogs and the real sync under a progress dialog.
SyncSeams desktopSyncSeams();

QString syncQuestion(const QString& server);
QString syncSummaryText(const carddav::SyncSummary& summary);

// Offers the sync of the table in `dataFolder`; true when one ran.
bool offerSync(const QString& dataFolder, const SyncSeams& seams);

}  // namespace maint
