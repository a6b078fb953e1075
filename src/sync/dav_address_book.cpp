#include "sync/dav_address_book.h"

#include "sync/discovery.h"
#include "sync/error.h"

namespace carddav {

namespace {

bool ok(int status) { return status >= 200 && status <= 299; }

HttpRequest putRequest(const PutRequest& card) {
  Headers headers = card.ifMatch.isEmpty() ? Headers{{"If-None-Match", "*"}}
                                           : Headers{{"If-Match", card.ifMatch.toUtf8()}};
  headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/vcard; charset=utf-8")));
  return {"PUT", card.card, card.vcard, headers};
}

// The answer to a PUT: stored, or refused by its condition (412).
PutResult putResult(const QUrl& card, const HttpReply& reply) {
  if (reply.status == 412) return {};
  if (!ok(reply.status)) throw Error(httpFailure("PUT", card, reply.status));
  return {true, QString::fromUtf8(reply.etag)};
}

// Answers that say the server takes no more at once, or that the request
// should simply be tried again: a busy server, a lost connection.
bool tryAlone(const HttpOutcome& outcome) {
  return !outcome.error.empty() || (outcome.reply.status != 412 && !ok(outcome.reply.status));
}

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
  const HttpRequest request = putRequest({card, vcard, ifMatch});
  return putResult(card, client_.send(request.verb, request.url, request.body, request.headers));
}

std::vector<PutOutcome> DavAddressBook::putAll(const std::vector<PutRequest>& cards) {
  if (putsInFlight_ <= 1 || cards.size() < 2) return AddressBookServer::putAll(cards);
  std::vector<HttpRequest> requests;
  for (const PutRequest& card : cards) requests.push_back(putRequest(card));
  const std::vector<HttpOutcome> answers = client_.sendAll(requests, putsInFlight_);
  std::vector<PutOutcome> outcomes(cards.size());
  std::vector<PutRequest> again;  // redirected, refused as busy, or failed: sent alone
  std::vector<std::size_t> againAt;
  for (std::size_t i = 0; i < cards.size(); ++i) {
    const HttpOutcome& answer = answers[i];
    if (tryAlone(answer)) {
      if (answer.reply.status < 300 || answer.reply.status > 399) putsInFlight_ = 1;
      again.push_back(cards[i]);
      againAt.push_back(i);
    } else {
      outcomes[i].result = putResult(cards[i].card, answer.reply);
    }
  }
  const std::vector<PutOutcome> alone = AddressBookServer::putAll(again);
  for (std::size_t j = 0; j < alone.size(); ++j) outcomes[againAt[j]] = alone[j];
  return outcomes;
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
