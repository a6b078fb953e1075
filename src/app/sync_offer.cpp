#include "app/sync_offer.h"

#include <optional>

#include "book/table_layout.h"
#include "platform/dialogs.h"
#include "platform/long_work.h"
#include "sync/card_codec.h"
#include "sync/dav_address_book.h"
#include "sync/sync_state.h"
#include "xbase/table_files.h"

namespace app {

// The client's requests run nested event loops, so the progress dialog
// stays painted while the sync waits for the server.
carddav::SyncSummary synchronizeOverNetwork(const std::filesystem::path& dbf, const QUrl& server,
                                            const carddav::Credentials& credentials,
                                            const carddav::SyncProgress& progress) {
  carddav::DavClient client(credentials);
  carddav::DavAddressBook book(client);
  return carddav::synchronize(dbf, server, book, carddav::vcardMapping(exchange::tableCodePage(dbf)), progress);
}

QString syncQuestion(const QString& server) { return QStringLiteral("Synchronize with ") + server + QLatin1Char('?'); }

QString syncSummaryText(const carddav::SyncSummary& s) {
  QString text = QStringLiteral("Synchronized with %1:\nsent %2, received %3, deleted %4, conflicts %5")
                     .arg(s.addressBook)
                     .arg(s.sent)
                     .arg(s.received)
                     .arg(s.deletedHere + s.deletedThere)
                     .arg(s.conflicts);
  if (!s.sharedNames.isEmpty())
    text += QStringLiteral("\nNot synced, another entry has the same name: ") +
            s.sharedNames.join(QStringLiteral(", "));
  for (const auto& [href, reason] : s.unreadable)
    text += QStringLiteral("\nNot read from the server: ") + href + QStringLiteral(": ") + reason;
  return text;
}

bool offerSync(const QString& dataFolder, const SyncRun& run) {
  const auto dbf = xbase::findTableFiles(dataFolder.toStdString(), book::kFileStem).dbf;
  const auto stateFile = carddav::stateFileOf(dbf);
  if (!std::filesystem::exists(stateFile)) return false;
  const QString server = carddav::readState(stateFile).server;
  platform::Dialogs& dialogs = platform::dialogs();
  if (server.isEmpty() || !dialogs.askYesNo(syncQuestion(server))) return false;
  const QString title = QStringLiteral("Synchronize");
  const std::optional<QString> user = dialogs.askText(title,
                                                      QStringLiteral("User name for ") + server + QLatin1Char(':'));
  if (!user) return false;
  const std::optional<QString> password = dialogs.askText(
      title, QStringLiteral("Password for ") + *user + QLatin1Char(':'), platform::Dialogs::Echo::Hidden);
  if (!password) return false;
  const QUrl url(server);
  carddav::SyncSummary summary;
  platform::runLongWorkWithProgress(
      QStringLiteral("Synchronizing with ") + url.toDisplayString() + QStringLiteral(" ..."),
      [&](const platform::LongWork::Progress& progress) {
        summary = run(dbf, url, carddav::Credentials{*user, *password, false}, progress);
      });
  dialogs.message(syncSummaryText(summary));
  return true;
}

}  // namespace app
