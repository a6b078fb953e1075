#include "sync/origin.h"

#include <QStringList>

#include "sync/error.h"

namespace carddav {

namespace {

int portOf(const QUrl& url) { return url.port(url.scheme() == QLatin1String("https") ? 443 : 80); }

// Whether `url`, already resolved, is the book itself (`whole`) or below it.
bool within(const QUrl& book, const QUrl& url, bool whole) {
  if (!sameOrigin(book, url)) return false;
  const QString root = book.path(QUrl::FullyDecoded);
  const QString path = url.path(QUrl::FullyDecoded);
  if (path == root || path + QLatin1Char('/') == root) return whole;
  if (!path.startsWith(root) || !root.endsWith(QLatin1Char('/'))) return false;
  for (const QString& segment : path.mid(root.size()).split(QLatin1Char('/')))
    if (segment == QLatin1String(".") || segment == QLatin1String("..") || segment.contains(QLatin1Char('\\')) ||
        segment.contains(QChar(0)))
      return false;
  return true;
}

QUrl resolvedIn(const QUrl& book, const QUrl& href, bool whole) {
  const QUrl url = book.resolved(href);
  if (!within(book, url, whole))
    throw Error("refusing the href " + href.toDisplayString().toStdString() + ": it lies outside the address book " +
                book.toDisplayString().toStdString());
  return url;
}

}  // namespace

QString originOf(const QUrl& url) {
  return url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() + QLatin1Char(':') +
         QString::number(portOf(url));
}

bool sameOrigin(const QUrl& a, const QUrl& b) { return originOf(a) == originOf(b); }

QUrl inBook(const QUrl& book, const QUrl& href) { return resolvedIn(book, href, true); }

QUrl cardIn(const QUrl& book, const QUrl& href) { return resolvedIn(book, href, false); }

}  // namespace carddav
