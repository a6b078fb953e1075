#pragma once

// The server as the synchronizer sees it: the handful of CardDAV exchanges a
// sync is made of, each answered in parsed form. DavAddressBook
// (dav_address_book.h) holds the real one over HTTP; tests put an
// in-process address book in its place.
//
// Every call may throw carddav::Error (the network, the server refusing the
// request, an answer that cannot be read); what a call returns is what the
// sync has to act on.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

#include "sync/dav_xml.h"
#include "sync/error.h"

namespace carddav {

// The answer to a conditional PUT.
struct PutResult {
  bool stored = false;  // false: the condition failed (the card changed or appeared meanwhile)
  QString etag;         // the new ETag, quotes kept; "" when the server named none
};

// One card to store (as `put` takes it) and what came of it.
struct PutRequest {
  QUrl card;
  QByteArray vcard;
  QString ifMatch;
};
struct PutOutcome {
  PutResult result;
  std::string error;  // not empty: the PUT failed or was not sent, and the card may or may not be stored
};

class AddressBookServer {
 public:
  virtual ~AddressBookServer() = default;

  // The address book's URL (ending in '/') at or below `start`, found by
  // discovery when `start` is not the address book itself.
  virtual QUrl findAddressBook(const QUrl& start) = 0;

  // The members changed since `token` ("" for all of them, each with its
  // ETag; removed ones with status 404) and the new token; nullopt when the
  // server takes no sync-collection from that token.
  virtual std::optional<Multistatus> syncCollection(const QUrl& book, const QString& token) = 0;
  // Every member with its ETag (a PROPFIND of depth 1).
  virtual Multistatus listEtags(const QUrl& book) = 0;
  // The cards at `hrefs` with their ETags and text (addressbook-multiget).
  virtual Multistatus multiget(const QUrl& book, const QStringList& hrefs) = 0;

  // Stores `vcard` at `card`: over the version of ETag `ifMatch`, or as a
  // new card when `ifMatch` is empty.
  virtual PutResult put(const QUrl& card, const QByteArray& vcard, const QString& ifMatch) = 0;
  // Stores several cards, each as `put` does, and never throws
  // carddav::Error: each card gets its own outcome, in the order given. One
  // at a time here, stopping at the first failure (the cards after it are
  // not sent); a server may send several at once.
  virtual std::vector<PutOutcome> putAll(const std::vector<PutRequest>& cards) {
    std::vector<PutOutcome> outcomes(cards.size());
    std::string failed;
    for (std::size_t i = 0; i < cards.size(); ++i) {
      if (!failed.empty()) {
        outcomes[i].error = "not sent: " + failed;
        continue;
      }
      try {
        outcomes[i].result = put(cards[i].card, cards[i].vcard, cards[i].ifMatch);
      } catch (const Error& e) {
        outcomes[i].error = failed = e.what();
      }
    }
    return outcomes;
  }
  // Deletes the card at `card` when it still has the ETag `ifMatch` (any
  // version when empty); false when it changed meanwhile. A card already
  // gone counts as deleted.
  virtual bool remove(const QUrl& card, const QString& ifMatch) = 0;
};

}  // namespace carddav
