#pragma once

// A real CardDAV server for one test, started on a free port on 127.0.0.1
// with a temporary storage folder and an empty address book: Radicale (one
// htpasswd user "alice", password "secret", the book /alice/book/) or
// Xandikos (no authentication, so the password goes unchecked; the book
// /user/contacts/addressbook/). Stopped and removed with the object.

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

enum class ServerKind { Radicale, Xandikos };

class DavServer {
 public:
  static std::unique_ptr<DavServer> make(ServerKind kind);
  virtual ~DavServer();
  DavServer(const DavServer&) = delete;
  DavServer& operator=(const DavServer&) = delete;

  // Stops and starts the server again on the same port and storage.
  void stop();
  void start();

  // The address book behind a plain WebDAV proxy that offers no
  // sync-collection and answers PUT without an ETag.
  QString plainBook();

  QString root() const;  // "http://127.0.0.1:PORT/"
  QString book() const { return root() + bookPath(); }
  QString passwordFile() const { return dir_.filePath(QStringLiteral("password")); }
  QString folder() const { return dir_.path(); }  // for files of the test's own

  // The cards as the server stores them (read straight from its folder, not
  // through our client), by file name.
  QStringList cardFiles() const;
  QString card(const QString& file) const;
  // Requests by an independent client (curl); the HTTP status.
  int curl(const QStringList& arguments) const;
  int put(const QString& file, const QString& vcard) const;
  int remove(const QString& file) const;
  // Adds a card on the server's side, the fastest way it takes one: see
  // the servers' own.
  virtual void storeCard(const QString& file, const QString& vcard) const;

 protected:
  DavServer();

  // The book's path below the root, ending in '/'; its folder in storage;
  // the program and its arguments.
  virtual QString bookPath() const = 0;
  virtual QString bookFolder() const = 0;
  virtual QStringList command() const = 0;
  void writeFile(const QString& name, const QByteArray& text) const;

  QTemporaryDir dir_;
  int port_ = 0;

 private:
  static void stop(QProcess& process);

  QProcess process_;
  QProcess proxy_;
};

class RadicaleServer : public DavServer {
 public:
  RadicaleServer();
  // Writes the card file straight into the server's folder, as a second
  // client sharing the server's storage would: for filling a large book
  // fast (this server reads its whole book on each new card sent).
  void storeCard(const QString& file, const QString& vcard) const override;

 protected:
  QString bookPath() const override { return QStringLiteral("alice/book/"); }
  QString bookFolder() const override { return dir_.filePath(QStringLiteral("store/collection-root/alice/book")); }
  QStringList command() const override;
};

class XandikosServer : public DavServer {
 public:
  XandikosServer();

 protected:
  QString bookPath() const override { return QStringLiteral("user/contacts/addressbook/"); }
  QString bookFolder() const override { return dir_.filePath(QStringLiteral("store/user/contacts/addressbook")); }
  QStringList command() const override;
};

}  // namespace testsupport
