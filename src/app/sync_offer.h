#pragma once

// The offer to synchronize that ends the maintenance command (the main
// window hands it to the command): when the data folder holds a sync state
// (ADDRESS.sync), asks "Synchronize with <server>?", then the user name and
// password (kept only for this run, never written), runs the sync as long
// work that shows the cards received and sent, and shows the summary (sent,
// received, deleted, conflicts). Questions and boxes go through
// platform::dialogs(). The sync opens the table shared like any other
// writer, so a table held exclusively by someone else is refused with the
// engine's error, which propagates to the command's error box.

#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>

#include "sync/dav_client.h"
#include "sync/synchronizer.h"

namespace app {

// Syncs the table `dbf` with `server`, telling `progress` how far it is.
using SyncRun =
    std::function<carddav::SyncSummary(const std::filesystem::path& dbf, const QUrl& server,
                                       const carddav::Credentials& credentials, const carddav::SyncProgress& progress)>;

// The sync over the network, cards made by the vCard mapping in the table's
// code page.
carddav::SyncSummary synchronizeOverNetwork(const std::filesystem::path& dbf, const QUrl& server,
                                            const carddav::Credentials& credentials,
                                            const carddav::SyncProgress& progress);

QString syncQuestion(const QString& server);
QString syncSummaryText(const carddav::SyncSummary& summary);

// Offers the sync of the table in `dataFolder`; true when one ran.
bool offerSync(const QString& dataFolder, const SyncRun& run = synchronizeOverNetwork);

}  // namespace app
