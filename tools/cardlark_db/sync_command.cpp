// sync DIR URL [--user NAME] [--password-file FILE] [--insecure]: two-way
// sync of the table with a CardDAV address book, URL being the address book
// or any address on its server (the address book is then discovered). The
// password is read from the first line of FILE, never from the command
// line (a URL holding a password or a user name is refused). Prints one summary line:
//   sent N, received N, deleted here N, deleted there N, conflicts N
// then a line for each card of the server that cannot be read (in this sync
// or an earlier one, unchanged since):
//   not read: HREF: REASON
// and one for each entry left out because an earlier entry has the same name.

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "cardlark_db/command.h"
#include "exchange/code_page.h"
#include "sync/card_codec.h"
#include "sync/dav_address_book.h"
#include "sync/synchronizer.h"
#include "xbase/error.h"

namespace cardlark::db {

namespace {

QString readPassword(const std::string& file) {
  QFile in(QString::fromStdString(file));
  if (!in.open(QIODevice::ReadOnly)) throw xbase::Error(xbase::ErrorCode::NotFound, "Cannot open " + file);
  QByteArray line = in.readLine();
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return QString::fromUtf8(line);
}

carddav::Credentials credentialsFrom(const Arguments& arguments) {
  carddav::Credentials credentials;
  credentials.user = QString::fromStdString(arguments.option("--user", ""));
  credentials.insecure = arguments.has("--insecure");
  if (arguments.has("--password-file")) {
    if (credentials.user.isEmpty()) throw UsageError("--password-file needs --user");
    credentials.password = readPassword(arguments.option("--password-file", ""));
  }
  return credentials;
}

}  // namespace

int runSync(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  const QUrl url(QString::fromStdString(arguments.operands[1]), QUrl::StrictMode);
  if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
    throw UsageError("URL must be an http or https address");
  // A password in the address would end up in shell histories and process
  // lists; it is taken from --password-file only.
  if (!url.password().isEmpty())
    throw UsageError(
        "URL must not hold a password: give the user with --user and the password in a file with --password-file");
  if (!url.userName().isEmpty()) throw UsageError("URL must not hold a user name: give it with --user");
  int argc = 1;
  char name[] = "cardlark-db";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  carddav::DavClient client(credentialsFrom(arguments));
  carddav::DavAddressBook server(client);
  const carddav::SyncSummary s = carddav::synchronize(files.dbf, url, server,
                                                      carddav::vcardMapping(exchange::tableCodePage(files.dbf)));
  std::printf("sent %d, received %d, deleted here %d, deleted there %d, conflicts %d\n", s.sent, s.received,
              s.deletedHere, s.deletedThere, s.conflicts);
  for (const auto& [href, reason] : s.unreadable)
    std::printf("not read: %s: %s\n", href.toUtf8().constData(), reason.toUtf8().constData());
  for (const QString& name : s.sharedNames)
    std::printf("not synced, another entry has the same name: %s\n", name.toUtf8().constData());
  return kOk;
}

}  // namespace cardlark::db
