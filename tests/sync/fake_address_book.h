#pragma once

// An address book held in memory in place of a CardDAV server: cards by file
// name with their ETags, a sync token that counts every change, conditional
// PUT and DELETE judged as a server judges them. Tests change it "on the
// server's side" with storeCard and removeCard, and cut a sync short by
// making one request fail.

#include <map>
#include <optional>

#include "sync/address_book_server.h"

namespace testsupport {

class FakeAddressBook : public carddav::AddressBookServer {
 public:
  enum class Request { Find, SyncCollection, ListEtags, Multiget, Put, Delete };

  // "http://fake.test/book/", found from any address on that host.
  static QUrl book();

  // The cards by file name, sorted, and one card's text.
  QStringList cardFiles() const;
  QString card(const QString& file) const;
  // Changes made by another client: each gets a new ETag and moves the token.
  void storeCard(const QString& file, const QString& vcard);
  // false when there was no such card.
  bool removeCard(const QString& file);

  // The `n`th request from now (1: the next one) of `kind` (of any kind when
  // not given) throws carddav::Error as a lost connection does; with
  // `carriedOut` the server acts on it first and only its answer is lost.
  void failRequest(int n, std::optional<Request> kind = std::nullopt, bool carriedOut = false);
  // Requests answered or failed so far.
  int requestCount() const { return requests_; }

  QUrl findAddressBook(const QUrl& start) override;
  std::optional<carddav::Multistatus> syncCollection(const QUrl& book, const QString& token) override;
  carddav::Multistatus listEtags(const QUrl& book) override;
  carddav::Multistatus multiget(const QUrl& book, const QStringList& hrefs) override;
  carddav::PutResult put(const QUrl& card, const QByteArray& vcard, const QString& ifMatch) override;
  bool remove(const QUrl& card, const QString& ifMatch) override;

 private:
  struct Card {
    QByteArray vcard;
    long version = 0;  // the token's count when it last changed
    QString etag() const;
  };

  // Counts the request and fails it when told to, before or after `act`.
  template <typename Act>
  auto serve(Request kind, Act act);
  void store(const QString& file, const QByteArray& vcard);
  void erase(const QString& file);
  carddav::DavResponse response(const QString& file, const Card& card, bool withText) const;

  std::map<QString, Card> cards_;
  std::map<QString, long> removed_;  // file -> the token's count when removed
  long version_ = 0;
  int requests_ = 0;
  int failCountdown_ = 0;
  std::optional<Request> failKind_;
  bool failCarriedOut_ = false;
};

}  // namespace testsupport
