#include "sync/dav_address_book.h"

#include "sync/discovery.h"
#include "sync/error.h"

namespace carddav {

namespace {

bool ok(int status) { return status >= 200 && status <= 299; }

}  // namespace

QUrl DavAddressBook::findAddressBook(const QUrl& start) { return discoverAddressBook(client_, start); }

Multistatus DavAddressBook::expect(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                                   const Headers& headers) {
  HttpReply reply = client_.send(verb, url, body, headers);
  if (reply.status != 207) throw Error(httpFailure(verb, url, reply.status));
  return parseMultistatus(reply.body);
}

std::optional<Multistatus> DavAddressBook::syncCollection(const QUrl& book, const QString& token) {
  const HttpReply reply = client_.send("REPORT", book, syncCollectionReport(token), {{"Depth", "0"}});
  if (reply.status != 207) return std::nullopt;
  return parseMultistatus(reply.body);
}

Multistatus DavAddressBook::listEtags(const QUrl& book) {
  return expect("PROPFIND", book, etagPropfind(), {{"Depth", "1"}});
}

Multistatus DavAddressBook::multiget(const QUrl& book, const QStringList& hrefs) {
  return expect("REPORT", book, multigetReport(hrefs), {{"Depth", "1"}});
}

PutResult DavAddressBook::put(const QUrl& card, const QByteArray& vcard, const QString& ifMatch) {
  Headers headers = ifMatch.isEmpty() ? Headers{{"If-None-Match", "*"}} : Headers{{"If-Match", ifMatch.toUtf8()}};
  headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/vcard; charset=utf-8")));
  const HttpReply reply = client_.send("PUT", card, vcard, headers);
  if (reply.status == 412) return {};
  if (!ok(reply.status)) throw Error(httpFailure("PUT", card, reply.status));
  return {true, QString::fromUtf8(reply.etag)};
}

bool DavAddressBook::remove(const QUrl& card, const QString& ifMatch) {
  Headers headers;
  if (!ifMatch.isEmpty()) headers.append(qMakePair(QByteArray("If-Match"), ifMatch.toUtf8()));
  const HttpReply reply = client_.send("DELETE", card, {}, headers);
  if (reply.status == 412) return false;
  if (!ok(reply.status) && reply.status != 404) throw Error(httpFailure("DELETE", card, reply.status));
  return true;
}

}  // namespace carddav
