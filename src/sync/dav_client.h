#pragma once

// A small blocking HTTP client for the CardDAV requests: each call runs a
// local event loop until its answer is in (a QCoreApplication must exist).
// Basic authentication is sent with every request; redirects are followed
// by hand (at most a few, never from https to http) so a PROPFIND stays a
// PROPFIND; a certificate error ends the request unless told to accept it.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;

namespace carddav {

struct Credentials {
  QString user;      // empty: no authentication
  QString password;  // read from the password file, never stored by us
  bool insecure = false;  // accept certificate errors
};

struct HttpReply {
  int status = 0;
  QByteArray body;
  QByteArray etag;  // the ETag header, quotes kept
  QUrl url;         // where the answer came from, after redirects
};

using Headers = QList<QPair<QByteArray, QByteArray>>;

class DavClient {
 public:
  explicit DavClient(Credentials credentials);
  ~DavClient();
  DavClient(const DavClient&) = delete;
  DavClient& operator=(const DavClient&) = delete;

  // Sends one request and waits for its answer. A network failure, a
  // refused certificate or a 401 throws carddav::Error; other HTTP statuses
  // come back for the caller to judge.
  HttpReply send(const QByteArray& verb, const QUrl& url, const QByteArray& body = {}, const Headers& headers = {});

  // How many requests went out (redirects included): a sync with nothing
  // to do sends exactly one.
  int requestCount() const { return requests_; }

 private:
  HttpReply sendOnce(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers);

  Credentials credentials_;
  std::unique_ptr<QNetworkAccessManager> network_;
  int requests_ = 0;
};

// The message for an HTTP status the caller did not expect.
std::string httpFailure(const QByteArray& verb, const QUrl& url, int status);

}  // namespace carddav
