#include "maint/sync_offer.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressDialog>

#include "platform/dialogs.h"
#include "sync/card_codec.h"
#include "sync/dav_address_book.h"
#include "sync/sync_state.h"
#include "xbase/address_table.h"
#include "xbase/table_files.h"

namespace maint {

namespace {

std::optional<carddav::Credentials> askWithDialogs(const QString& server) {
  bool ok = false;
  const QString title = QStringLiteral("Synchronize");
  const QString user = QInputDialog::getText(QApplication::activeWindow(), title,
                                             QStringLiteral("User name for ") + server + QLatin1Char(':'),
                                             QLineEdit::Normal, QString(), &ok);
  if (!ok) return std::nullopt;
  const QString password = QInputDialog::getText(QApplication::activeWindow(), title,
                                                 QStringLiteral("Password for ") + user + QLatin1Char(':'),
                                                 QLineEdit::Password, QString(), &ok);
  if (!ok) return std::nullopt;
  return carddav::Credentials{user, password, false};
}

// The client's requests run nested event loops, so the busy dialog stays
// painted while the sync waits for the server.
carddav::SyncSummary syncWithProgress(const std::filesystem::path& dbf, const QUrl& server,
                                      const carddav::Credentials& credentials) {
  QProgressDialog progress(QStringLiteral("Synchronizing with ") + server.toDisplayString() +
                               QStringLiteral(" ..."),
                           QString(), 0, 0, QApplication::activeWindow());
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(0);
  progress.setCancelButton(nullptr);
  progress.show();
  const auto step = [&progress](const QString& label, int done, int total) {
    progress.setLabelText(label + QStringLiteral(": %1 of %2").arg(done).arg(total));
    progress.setMaximum(total);
    progress.setValue(done);
  };
  carddav::DavClient client(credentials);
  carddav::DavAddressBook book(client);
  return carddav::synchronize(dbf, server, book, carddav::vcardMapping(exchange::tableCodePage(dbf)), step);
}

}  // namespace

SyncSeams desktopSyncSeams() { return {askWithDialogs, syncWithProgress}; }

QString syncQuestion(const QString& server) { return QStringLiteral("Synchronize with ") + server + QLatin1Char('?'); }

QString syncSummaryText(const carddav::SyncSummary& s) {
  QString text = QStringLiteral("Synchronized with %1:\nsent %2, received %3, deleted %4, conflicts %5")
                     .arg(s.addressBook)
                     .arg(s.sent)
                     .arg(s.received)
                     .arg(s.deletedHere + s.deletedThere)
                     .arg(s.conflicts);
  if (!s.sharedNames.isEmpty())
    text += QStringLiteral("\nNot synced, another entry has the same name: ") + s.sharedNames.join(QStringLiteral(", "));
  return text;
}

bool offerSync(const QString& dataFolder, const SyncSeams& seams) {
  const auto dbf = xbase::findTableFiles(dataFolder.toStdString(), xbase::address::kFileStem).dbf;
  const auto stateFile = carddav::stateFileOf(dbf);
  if (!std::filesystem::exists(stateFile)) return false;
  const QString server = carddav::readState(stateFile).server;
  if (server.isEmpty() || !platform::dialogs().askYesNo(syncQuestion(server))) return false;
  const std::optional<carddav::Credentials> credentials = seams.askCredentials(server);
  if (!credentials) return false;
  platform::dialogs().message(syncSummaryText(seams.synchronize(dbf, QUrl(server), *credentials)));
  return true;
}

}  // namespace maint
