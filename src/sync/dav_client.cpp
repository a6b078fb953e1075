#include "sync/dav_client.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>

#include "sync/error.h"

namespace carddav {

namespace {

constexpr int kMaxRedirects = 5;
constexpr int kTimeoutMs = 120'000;

QString certificateComplaint(const QList<QSslError>& errors) {
  QStringList texts;
  for (const QSslError& e : errors) texts << e.errorString();
  return texts.join(QStringLiteral("; "));
}

}  // namespace

DavClient::DavClient(Credentials credentials)
    : credentials_(std::move(credentials)), network_(std::make_unique<QNetworkAccessManager>()) {}

DavClient::~DavClient() = default;

std::string httpFailure(const QByteArray& verb, const QUrl& url, int status) {
  return verb.toStdString() + " " + url.toDisplayString().toStdString() + " failed: HTTP status " +
         std::to_string(status);
}

HttpReply DavClient::send(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers) {
  QUrl target = url;
  for (int hop = 0;; ++hop) {
    HttpReply reply = sendOnce(verb, target, body, headers);
    if (reply.status < 300 || reply.status > 399 || reply.status == 304 || hop == kMaxRedirects) return reply;
    const QUrl next = reply.url;  // sendOnce leaves the Location there
    if (!next.isValid() || next == target) return reply;
    if (target.scheme() == QLatin1String("https") && next.scheme() != QLatin1String("https"))
      throw Error("refusing the redirect from " + target.toDisplayString().toStdString() + " to an unencrypted " +
                  next.toDisplayString().toStdString());
    target = next;
  }
}

HttpReply DavClient::sendOnce(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                              const Headers& headers) {
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
  QEventLoop loop;
  QTimer timeout;
  timeout.setSingleShot(true);
  QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { reply->abort(); });
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  timeout.start(kTimeoutMs);
  if (!reply->isFinished()) loop.exec();

  const std::string where = url.toDisplayString().toStdString();
  if (!refused.isEmpty())
    throw Error("the certificate of " + url.host().toStdString() + " is refused (" + refused.toStdString() +
                "); give --insecure to accept it anyway");
  HttpReply result;
  result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (result.status == 0)
    throw Error("cannot reach " + where + ": " + reply->errorString().toStdString());
  if (result.status == 401) throw Error("the server refused the user name or password (" + where + ")");
  result.body = reply->readAll();
  result.etag = reply->rawHeader("ETag");
  result.url = url;
  if (result.status >= 300 && result.status <= 399 && reply->hasRawHeader("Location"))
    result.url = url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
  return result;
}

}  // namespace carddav
