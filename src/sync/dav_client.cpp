#include "sync/dav_client.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>

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
  requireOrigin(target, "refusing to send " + verb.toStdString() + " to " + target.toDisplayString().toStdString());
  for (int hop = 0;; ++hop) {
    HttpReply reply = sendOnce(verb, target, body, headers);
    if (reply.status < 300 || reply.status > 399 || reply.status == 304 || hop == kMaxRedirects) return reply;
    const QUrl next = reply.url.adjusted(QUrl::RemoveUserInfo);  // sendOnce leaves the Location there
    if (!next.isValid() || next == target) return reply;
    requireOrigin(next, "refusing the redirect from " + target.toDisplayString().toStdString() + " to " +
                            next.toDisplayString().toStdString());
    target = next;
  }
}

HttpReply DavClient::sendOnce(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers) {
  ++requests_;
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  if (!credentials_.user.isEmpty()) {
    const QByteArray pair = (credentials_.user + QLatin1Char(':') + credentials_.password).toUtf8();
    request.setRawHeader("Authorization", "Basic " + pair.toBase64());
  }
  if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/xml; charset=utf-8"));
  for (const auto& [name, value] : headers) request.setRawHeader(name, value);

  std::unique_ptr<QNetworkReply> reply(network_->sendCustomRequest(request, verb, body));
  QString refused;
  QObject::connect(reply.get(), &QNetworkReply::sslErrors, reply.get(), [&](const QList<QSslError>& errors) {
    if (credentials_.insecure)
      reply->ignoreSslErrors();
    else
      refused = certificateComplaint(errors);
  });
  // The answer is taken as it arrives, so no more than the read buffer
  // waits in the network layer, and refused once it passes the limit.
  reply->setReadBufferSize(kReadBuffer);
  Cut cut = Cut::None;
  QByteArray received;
  const auto stop = [&](Cut why) {
    if (cut == Cut::None) cut = why;
    reply->abort();
  };
  QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(), [&] {
    if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kLongestAnswer) stop(Cut::TooLarge);
  });
  const auto take = [&] {
    if (cut != Cut::None) return;
    received += reply->readAll();
    if (received.size() > kLongestAnswer) stop(Cut::TooLarge);
  };
  QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), take);
  QEventLoop loop;
  QTimer timeout;
  timeout.setSingleShot(true);
  QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { stop(Cut::TimedOut); });
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  timeout.start(timeoutMs_);
  if (!reply->isFinished()) loop.exec();
  take();

  const std::string where = url.toDisplayString().toStdString();
  if (!refused.isEmpty())
    throw Error("the certificate of " + url.host().toStdString() + " is refused (" + refused.toStdString() +
                "); give --insecure to accept it anyway");
  if (cut == Cut::TimedOut)
    throw Error(verb.toStdString() + " " + where + " timed out: no complete answer within " + duration(timeoutMs_));
  if (cut == Cut::TooLarge)
    throw Error("the answer to " + verb.toStdString() + " " + where + " is larger than " +
                std::to_string(kLongestAnswer >> 20) + " MiB; the sync refuses it");
  HttpReply result;
  result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (result.status == 0) throw Error("cannot reach " + where + ": " + reply->errorString().toStdString());
  if (reply->error() > QNetworkReply::NoError && reply->error() < QNetworkReply::ProxyConnectionRefusedError)
    throw Error("the answer from " + where + " broke off: " + reply->errorString().toStdString());
  if (result.status == 401) throw Error("the server refused the user name or password (" + where + ")");
  result.body = std::move(received);
  result.etag = reply->rawHeader("ETag");
  result.url = url;
  if (result.status >= 300 && result.status <= 399 && reply->hasRawHeader("Location"))
    result.url = url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
  return result;
}

}  // namespace carddav
