#pragma once

// Where the sync may send a request. The password goes only to the origin
// (scheme, host and port) of the address the user gave, so every request,
// redirect and href is held to that origin; and the cards the sync writes
// or deletes lie below the address book's own path, so a server's answer or
// an edited state file cannot aim a PUT or a DELETE anywhere else.

#include <QString>
#include <QUrl>

namespace carddav {

// "https://host:443": the scheme, the host and the port (the scheme's own
// when the URL names none).
QString originOf(const QUrl& url);
bool sameOrigin(const QUrl& a, const QUrl& b);

// `href` resolved against the address book `book` (a URL ending in '/'):
// the book itself (with or without its final '/') or a URL below its path
// on its origin. Anything else throws carddav::Error naming the href. The
// test is made on the decoded path, so an encoded "%2e%2e" or "%2f" cannot
// climb out after the server decodes it.
QUrl inBook(const QUrl& book, const QUrl& href);
// The same for a card: strictly below the book's path, never the book.
QUrl cardIn(const QUrl& book, const QUrl& href);

}  // namespace carddav
