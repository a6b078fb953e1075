#pragma once

// A Radicale server for one test: a free port on 127.0.0.1, a temporary
// storage folder, one htpasswd user ("alice", password "secret") and an
// empty address book /alice/book/. Stopped and removed with the object.

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

class RadicaleServer {
 public:
  RadicaleServer();
  ~RadicaleServer();

  // Stops and starts the server again on the same port and storage.
  void stop();
  void start();

  // The address book behind a plain WebDAV proxy that offers no
  // sync-collection and answers PUT without an ETag.
  QString plainBook();

  QString root() const;  // "http://127.0.0.1:PORT/"
  QString book() const { return root() + QStringLiteral("alice/book/"); }
  QString passwordFile() const { return dir_.filePath(QStringLiteral("password")); }

  // The cards as the server stores them (read straight from its folder, not
  // through our client), by file name.
  QStringList cardFiles() const;
  QString card(const QString& file) const;
  // Requests by an independent client (curl); the HTTP status.
  int curl(const QStringList& arguments) const;
  int put(const QString& file, const QString& vcard) const;
  int remove(const QString& file) const;
  // Writes a card file straight into the server's folder, as a second
  // client sharing the server's storage would: for filling a large book
  // fast (this server reads its whole book on each new card sent).
  void storeCard(const QString& file, const QString& vcard) const;

 private:
  QTemporaryDir dir_;
  static void stop(QProcess& process);

  QProcess process_;
  QProcess proxy_;
  int port_ = 0;
};

}  // namespace testsupport
