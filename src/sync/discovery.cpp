#include "sync/discovery.h"

#include "sync/dav_client.h"
#include "sync/dav_xml.h"
#include "sync/error.h"

namespace carddav {

namespace {

QUrl asFolder(QUrl url) {
  if (!url.path().endsWith(QLatin1Char('/'))) url.setPath(url.path() + QLatin1Char('/'));
  return url;
}

// PROPFIND of `url` with the discovery properties; nullopt-like empty
// result when the server answers anything but a multistatus.
Multistatus propfind(DavClient& client, const QUrl& url, int depth, QUrl* answeredFrom = nullptr) {
  const HttpReply reply = client.send("PROPFIND", url, discoveryPropfind(), {{"Depth", QByteArray::number(depth)}});
  if (answeredFrom) *answeredFrom = reply.url;
  if (reply.status != 207) return {};
  return parseMultistatus(reply.body);
}

// The response about `url` itself among those of a PROPFIND (the first one
// when no href matches, as servers answer Depth 0 with one response).
const DavResponse* self(const Multistatus& status, const QUrl& url) {
  for (const DavResponse& r : status.responses)
    if (asFolder(url.resolved(QUrl(r.href))).path() == asFolder(url).path()) return &r;
  return status.responses.empty() ? nullptr : &status.responses.front();
}

QUrl firstAddressBook(DavClient& client, const QUrl& home) {
  const Multistatus members = propfind(client, home, 1);
  for (const DavResponse& r : members.responses)
    if (r.addressBook) return asFolder(home.resolved(QUrl(r.href)));
  throw Error("no address book found in " + home.toDisplayString().toStdString());
}

}  // namespace

QUrl discoverAddressBook(DavClient& client, const QUrl& start) {
  QUrl answered;
  Multistatus status = propfind(client, start, 0, &answered);
  const DavResponse* here = self(status, answered);
  if (here && here->addressBook) return asFolder(answered);

  QUrl base = answered;
  QString principal = here ? here->principal : QString();
  if (principal.isEmpty()) {
    status = propfind(client, start.resolved(QUrl(QStringLiteral("/.well-known/carddav"))), 0, &base);
    here = self(status, base);
    if (here) principal = here->principal;
  }
  if (principal.isEmpty()) throw Error("no CardDAV service found at " + start.toDisplayString().toStdString());

  const QUrl principalUrl = base.resolved(QUrl(principal));
  status = propfind(client, principalUrl, 0, &base);
  here = self(status, base);
  if (!here || here->homeSets.isEmpty())
    throw Error("the server names no address book home for " + principalUrl.toDisplayString().toStdString());
  return firstAddressBook(client, asFolder(base.resolved(QUrl(here->homeSets.front()))));
}

}  // namespace carddav
