#pragma once

// A small blocking HTTP client for the CardDAV requests: each call runs a
// local event loop until its answer is in (a QCoreApplication must exist).
//
// The client belongs to one origin (scheme, host and port): that of its
// first request, the address the user gave. Basic authentication goes with
// every request, so a request, or a redirect, to anywhere else is refused
// (carddav::Error naming the origin), never sent with or without the
// password; this also refuses every step from https down to http. User
// information in a URL is dropped: the password comes from Credentials only.
// Redirects are followed by hand (at most a few) so a PROPFIND stays a
// PROPFIND; a certificate error ends the request unless told to accept it.
//
// Every answer is bounded: a body larger than kLongestAnswer is refused as
// soon as its Content-Length says so or its bytes pass the limit (the reply
// is aborted, never read to its end), and a request not answered in full
// within the timeout fails as a timeout.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QNetworkAccessManager;

namespace carddav {

struct Credentials {
  QString user;           // empty: no authentication
  QString password;       // read from the password file, never stored by us
  bool insecure = false;  // accept certificate errors
};

struct HttpReply {
  int status = 0;
  QByteArray body;
  QByteArray etag;  // the ETag header, quotes kept
  QUrl url;         // where the answer came from, after redirects
};

using Headers = QList<QPair<QByteArray, QByteArray>>;

struct HttpRequest {
  QByteArray verb;
  QUrl url;
  QByteArray body;
  Headers headers;
};

// One request of several sent together: its answer, or why it has none.
struct HttpOutcome {
  HttpReply reply;
  std::string error;  // not empty: the request failed, `reply` holds nothing
};

inline constexpr qint64 kLongestAnswer = 64 << 20;
inline constexpr int kDefaultTimeoutMs = 120'000;

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

  // Sends the requests with at most `inFlight` of them on their way at once
  // (each on a connection of its own), and waits for all of them. Each
  // request gets its own outcome, in the order given: a failure that `send`
  // throws is recorded with that request and the others go on. Redirects are
  // not followed: a 3xx comes back as it is.
  std::vector<HttpOutcome> sendAll(const std::vector<HttpRequest>& requests, int inFlight);

  // How many requests went out (redirects included): a sync with nothing
  // to do sends exactly one.
  int requestCount() const { return requests_; }

  // How long one request may take, from sending to the last byte of its
  // answer.
  void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

 private:
  struct Exchange;

  HttpReply sendOnce(const HttpRequest& request);
  // Starts a request; `finished` is called once its answer is in or it was
  // cut short, and `end` then judges it.
  std::unique_ptr<Exchange> begin(const HttpRequest& request, std::function<void()> finished);
  HttpReply end(Exchange& exchange);

  // Throws unless `url` lies on the client's origin; the first URL sets it.
  void requireOrigin(const QUrl& url, const std::string& refused);

  Credentials credentials_;
  std::unique_ptr<QNetworkAccessManager> network_;
  QUrl origin_;  // empty until the first request
  int requests_ = 0;
  int timeoutMs_ = kDefaultTimeoutMs;
};

// The message for an HTTP status the caller did not expect.
std::string httpFailure(const QByteArray& verb, const QUrl& url, int status);

}  // namespace carddav
