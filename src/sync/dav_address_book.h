#pragma once

// The address book on a CardDAV server, reached through a DavClient: each
// operation of AddressBookServer is one request (two for a sync-collection
// refused from scratch, discovery a few), judged by its HTTP status.

#include "sync/address_book_server.h"
#include "sync/dav_client.h"

namespace carddav {

class DavAddressBook : public AddressBookServer {
 public:
  explicit DavAddressBook(DavClient& client) : client_(client) {}

  QUrl findAddressBook(const QUrl& start) override;
  std::optional<Multistatus> syncCollection(const QUrl& book, const QString& token) override;
  Multistatus listEtags(const QUrl& book) override;
  Multistatus multiget(const QUrl& book, const QStringList& hrefs) override;
  PutResult put(const QUrl& card, const QByteArray& vcard, const QString& ifMatch) override;
  bool remove(const QUrl& card, const QString& ifMatch) override;

 private:
  // The multistatus answer to a request; carddav::Error for any other status.
  Multistatus expect(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers);

  DavClient& client_;
};

}  // namespace carddav
