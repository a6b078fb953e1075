#pragma once

// The XML of the CardDAV exchanges: the bodies of the PROPFIND and REPORT
// requests the sync sends, and the reader of the multistatus answers
// (RFC 4918, RFC 6352, RFC 6578). Qt Core only.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "exchange/vcard_reader.h"

namespace carddav {

// One <response> of a multistatus. Properties count only when their
// <propstat> reports a 2xx status; a property the server lists as missing
// (404) stays empty.
struct DavResponse {
  QString href;              // as sent, percent-encoding kept
  int status = 0;            // the response's own status (404 for a removed member), else 0
  QString etag;              // getetag, quotes kept
  QByteArray addressData;    // address-data, the card's text in UTF-8
  bool collection = false;   // resourcetype holds <collection/>
  bool addressBook = false;  // resourcetype holds <addressbook/>
  QString principal;         // current-user-principal's href
  QStringList homeSets;      // addressbook-home-set's hrefs
};

struct Multistatus {
  std::vector<DavResponse> responses;
  QString syncToken;  // the new token of a sync-collection answer
};

// The largest card taken from the server, in bytes: four times the longest
// value (a memo's text) the vCard reader accepts, room for the rest of the
// card. A larger card would only become an entry whose memo is cut or
// refused, so it is refused before it is read.
inline constexpr qsizetype kLongestCard = 4 * static_cast<qsizetype>(exchange::kLongestValue);

// Reads a multistatus body; throws carddav::Error naming the line of XML that
// is malformed, when the root is not a multistatus, or naming the card whose
// address-data is larger than kLongestCard.
Multistatus parseMultistatus(const QByteArray& body);

// PROPFIND asking for resourcetype, current-user-principal and
// addressbook-home-set (discovery).
QByteArray discoveryPropfind();
// PROPFIND asking for resourcetype and getetag (the members' listing).
QByteArray etagPropfind();
// REPORT sync-collection from `token` ("" for the initial listing), sync
// level 1, asking for getetag.
QByteArray syncCollectionReport(const QString& token);
// REPORT addressbook-multiget of `hrefs`, asking for getetag and
// address-data.
QByteArray multigetReport(const QStringList& hrefs);

}  // namespace carddav
