#pragma once

// The address book on a CardDAV server, reached through a DavClient: each
// operation of AddressBookServer is one request (two for a sync-collection
// refused from scratch, discovery a few), judged by its HTTP status.
//
// Several cards to store go out a few at a time (each on a connection of
// its own), since a server spends most of a PUT on its own work. A server
// that answers one of them with 503 or 429, or with any failure, gets the
// ones that failed again one at a time, and from then on only one at a time.

#include "sync/address_book_server.h"
#include "sync/dav_client.h"

namespace carddav {

class DavAddressBook : public AddressBookServer {
 public:
  // At most `putsInFlight` PUTs on their way at once.
  explicit DavAddressBook(DavClient& client, int putsInFlight = kPutsInFlight)
      : client_(client), putsInFlight_(putsInFlight) {}

  static constexpr int kPutsInFlight = 4;

  QUrl findAddressBook(const QUrl& start) override;
  std::optional<Multistatus> syncCollection(const QUrl& book, const QString& token) override;
  Multistatus listEtags(const QUrl& book) override;
  Multistatus multiget(const QUrl& book, const QStringList& hrefs) override;
  PutResult put(const QUrl& card, const QByteArray& vcard, const QString& ifMatch) override;
  std::vector<PutOutcome> putAll(const std::vector<PutRequest>& cards) override;
  bool remove(const QUrl& card, const QString& ifMatch) override;

  int putsInFlight() const { return putsInFlight_; }

 private:
  // The multistatus answer to a request; carddav::Error for any other status.
  Multistatus expect(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers);

  DavClient& client_;
  int putsInFlight_;
};

}  // namespace carddav
