#include "sync/dav_client.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "sync/error.h"
#include "sync/origin.h"

namespace carddav {

namespace {

constexpr int kMaxRedirects = 5;
constexpr qint64 kReadBuffer = 1 << 20;  // what the network layer holds before we take it

// Why a request was cut short by the client itself.
enum class Cut { None, TooLarge, TimedOut };

QString certificateComplaint(const QList<QSslError>& errors) {
  QStringList texts;
  for (const QSslError& e : errors) texts << e.errorString();
  return texts.join(QStringLiteral("; "));
}

std::string duration(int milliseconds) {
  return milliseconds % 1000 == 0 ? std::to_string(milliseconds / 1000) + " seconds"
                                  : std::to_string(milliseconds) + " ms";
}

std::string refusal(const QByteArray& verb, const QUrl& url) {
  return "refusing to send " + verb.toStdString() + " to " + url.toDisplayString().toStdString();
}

}  // namespace

DavClient::DavClient(Credentials credentials)
    : credentials_(std::move(credentials)), network_(std::make_unique<QNetworkAccessManager>()) {}

DavClient::~DavClient() = default;

std::string httpFailure(const QByteArray& verb, const QUrl& url, int status) {
  return verb.toStdString() + " " + url.toDisplayString().toStdString() + " failed: HTTP status " +
         std::to_string(status);
}

void DavClient::requireOrigin(const QUrl& url, const std::string& refused) {
  if (origin_.isEmpty()) origin_ = url;
  if (!sameOrigin(origin_, url))
    throw Error(refused + ": the sync sends requests (and the password) only to " + originOf(origin_).toStdString() +
                ", the server it was given");
}

HttpReply DavClient::send(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers) {
  QUrl target = url.adjusted(QUrl::RemoveUserInfo);
  requireOrigin(target, refusal(verb, target));
  for (int hop = 0;; ++hop) {
    HttpReply reply = sendOnce({verb, target, body, headers});
    if (reply.status < 300 || reply.status > 399 || reply.status == 304 || hop == kMaxRedirects) return reply;
    const QUrl next = reply.url.adjusted(QUrl::RemoveUserInfo);  // end() leaves the Location there
    if (!next.isValid() || next == target) return reply;
    requireOrigin(next, "refusing the redirect from " + target.toDisplayString().toStdString() + " to " +
                            next.toDisplayString().toStdString());
    target = next;
  }
}

// One request on its way: the reply as it arrives, and why the client cut
// it short, if it did.
struct DavClient::Exchange {
  HttpRequest request;
  std::unique_ptr<QNetworkReply> reply;
  QTimer timeout;
  QByteArray received;
  QString refused;  // the certificate complaint
  Cut cut = Cut::None;
  bool finished = false;
};

HttpReply DavClient::sendOnce(const HttpRequest& request) {
  QEventLoop loop;
  const std::unique_ptr<Exchange> exchange = begin(request, [&loop] { loop.quit(); });
  if (!exchange->finished && !exchange->reply->isFinished()) loop.exec();
  return end(*exchange);
}

std::vector<HttpOutcome> DavClient::sendAll(const std::vector<HttpRequest>& requests, int inFlight) {
  std::vector<HttpOutcome> outcomes(requests.size());
  std::vector<std::unique_ptr<Exchange>> running(requests.size());
  std::vector<std::size_t> answered;  // not yet judged
  QEventLoop loop;
  std::size_t next = 0;
  int active = 0;
  while (next < requests.size() || active > 0) {
    for (; next < requests.size() && active < std::max(inFlight, 1); ++next) {
      const std::size_t i = next;
      HttpRequest request = requests[i];
      request.url = request.url.adjusted(QUrl::RemoveUserInfo);
      try {
        requireOrigin(request.url, refusal(request.verb, request.url));
      } catch (const Error& e) {
        outcomes[i].error = e.what();
        continue;
      }
      running[i] = begin(request, [&answered, &loop, i] {
        answered.push_back(i);
        loop.quit();
      });
      ++active;
      if (running[i]->reply->isFinished() && !running[i]->finished) {
        running[i]->finished = true;
        answered.push_back(i);
      }
    }
    if (active == 0) break;
    if (answered.empty()) loop.exec();
    for (const std::size_t i : std::exchange(answered, {})) {
      try {
        outcomes[i].reply = end(*running[i]);
      } catch (const Error& e) {
        outcomes[i].error = e.what();
      }
      running[i].reset();
      --active;
    }
  }
  return outcomes;
}

std::unique_ptr<DavClient::Exchange> DavClient::begin(const HttpRequest& request, std::function<void()> finished) {
  ++requests_;
  auto exchange = std::make_unique<Exchange>();
  Exchange& x = *exchange;
  x.request = request;
  QNetworkRequest out(request.url);
  out.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  out.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  if (!credentials_.user.isEmpty()) {
    const QByteArray pair = (credentials_.user + QLatin1Char(':') + credentials_.password).toUtf8();
    out.setRawHeader("Authorization", "Basic " + pair.toBase64());
  }
  if (!request.body.isEmpty() && !out.hasRawHeader("Content-Type"))
    out.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/xml; charset=utf-8"));
  for (const auto& [name, value] : request.headers) out.setRawHeader(name, value);

  x.reply.reset(network_->sendCustomRequest(out, request.verb, request.body));
  QNetworkReply* reply = x.reply.get();
  QObject::connect(reply, &QNetworkReply::sslErrors, reply, [this, &x](const QList<QSslError>& errors) {
    if (credentials_.insecure)
      x.reply->ignoreSslErrors();
    else
      x.refused = certificateComplaint(errors);
  });
  // The answer is taken as it arrives, so no more than the read buffer
  // waits in the network layer, and refused once it passes the limit.
  reply->setReadBufferSize(kReadBuffer);
  const auto stop = [&x](Cut why) {
    if (x.cut == Cut::None) x.cut = why;
    x.reply->abort();
  };
  QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&x, stop] {
    if (x.reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kLongestAnswer) stop(Cut::TooLarge);
  });
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [&x, stop] {
    if (x.cut != Cut::None) return;
    x.received += x.reply->readAll();
    if (x.received.size() > kLongestAnswer) stop(Cut::TooLarge);
  });
  x.timeout.setSingleShot(true);
  QObject::connect(&x.timeout, &QTimer::timeout, reply, [stop] { stop(Cut::TimedOut); });
  QObject::connect(reply, &QNetworkReply::finished, reply, [&x, finished = std::move(finished)] {
    if (x.finished) return;
    x.finished = true;
    finished();
  });
  x.timeout.start(timeoutMs_);
  return exchange;
}

HttpReply DavClient::end(Exchange& x) {
  x.timeout.stop();
  QNetworkReply& reply = *x.reply;
  if (x.cut == Cut::None) {
    x.received += reply.readAll();
    if (x.received.size() > kLongestAnswer) x.cut = Cut::TooLarge;
  }
  const QByteArray& verb = x.request.verb;
  const QUrl& url = x.request.url;
  const std::string where = url.toDisplayString().toStdString();
  if (!x.refused.isEmpty())
    throw Error("the certificate of " + url.host().toStdString() + " is refused (" + x.refused.toStdString() +
                "); give --insecure to accept it anyway");
  if (x.cut == Cut::TimedOut)
    throw Error(verb.toStdString() + " " + where + " timed out: no complete answer within " + duration(timeoutMs_));
  if (x.cut == Cut::TooLarge)
    throw Error("the answer to " + verb.toStdString() + " " + where + " is larger than " +
                std::to_string(kLongestAnswer >> 20) + " MiB; the sync refuses it");
  HttpReply result;
  result.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (result.status == 0) throw Error("cannot reach " + where + ": " + reply.errorString().toStdString());
  if (reply.error() > QNetworkReply::NoError && reply.error() < QNetworkReply::ProxyConnectionRefusedError)
    throw Error("the answer from " + where + " broke off: " + reply.errorString().toStdString());
  if (result.status == 401) throw Error("the server refused the user name or password (" + where + ")");
  result.body = std::move(x.received);
  result.etag = reply.rawHeader("ETag");
  result.url = url;
  if (result.status >= 300 && result.status <= 399 && reply.hasRawHeader("Location"))
    result.url = url.resolved(QUrl::fromEncoded(reply.rawHeader("Location")));
  return result;
}

}  // namespace carddav
