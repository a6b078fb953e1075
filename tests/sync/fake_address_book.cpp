#include "fake_address_book.h"

#include "sync/error.h"

namespace testsupport {

namespace {

const QString kBookPath = QStringLiteral("/book/");
const QString kTokenPrefix = QStringLiteral("fake-token-");

QString fileOf(const QString& path) { return path.startsWith(kBookPath) ? path.mid(kBookPath.size()) : path; }

carddav::DavResponse gone(const QString& href) {
  carddav::DavResponse r;
  r.href = href;
  r.status = 404;
  return r;
}

}  // namespace

QUrl FakeAddressBook::book() { return QUrl(QStringLiteral("http://fake.test") + kBookPath); }

QString FakeAddressBook::Card::etag() const { return QStringLiteral("\"v%1\"").arg(version); }

QStringList FakeAddressBook::cardFiles() const {
  QStringList files;
  for (const auto& [file, card] : cards_) files << file;
  return files;
}

QString FakeAddressBook::card(const QString& file) const {
  const auto found = cards_.find(file);
  return found == cards_.end() ? QString() : QString::fromUtf8(found->second.vcard);
}

void FakeAddressBook::storeCard(const QString& file, const QString& vcard) { store(file, vcard.toUtf8()); }
bool FakeAddressBook::removeCard(const QString& file) {
  const bool held = cards_.count(file) > 0;
  erase(file);
  return held;
}

void FakeAddressBook::store(const QString& file, const QByteArray& vcard) {
  cards_[file] = Card{vcard, ++version_};
  removed_.erase(file);
}

void FakeAddressBook::erase(const QString& file) {
  if (cards_.erase(file) > 0) removed_[file] = ++version_;
}

void FakeAddressBook::failRequest(int n, std::optional<Request> kind, bool carriedOut) {
  failCountdown_ = n;
  failKind_ = kind;
  failCarriedOut_ = carriedOut;
}

template <typename Act>
auto FakeAddressBook::serve(Request kind, Act act) {
  ++requests_;
  const bool fails = failCountdown_ > 0 && (!failKind_ || *failKind_ == kind) && --failCountdown_ == 0;
  if (fails && !failCarriedOut_) throw carddav::Error("the fake server went away before the request");
  auto result = act();
  if (fails) throw carddav::Error("the fake server went away before its answer");
  return result;
}

carddav::DavResponse FakeAddressBook::response(const QString& file, const Card& card, bool withText) const {
  carddav::DavResponse r;
  r.href = kBookPath + file;
  r.etag = card.etag();
  if (withText) r.addressData = card.vcard;
  return r;
}

QUrl FakeAddressBook::findAddressBook(const QUrl& start) {
  return serve(Request::Find, [&] {
    if (start.host() != book().host())
      throw carddav::Error("no CardDAV service found at " + start.toString().toStdString());
    return book();
  });
}

std::optional<carddav::Multistatus> FakeAddressBook::syncCollection(const QUrl&, const QString& token) {
  return serve(Request::SyncCollection, [&]() -> std::optional<carddav::Multistatus> {
    long since = 0;
    if (!token.isEmpty()) {
      bool number = false;
      since = token.startsWith(kTokenPrefix) ? token.mid(kTokenPrefix.size()).toLong(&number) : 0;
      if (!number || since > version_) return std::nullopt;
    }
    carddav::Multistatus status;
    status.syncToken = kTokenPrefix + QString::number(version_);
    for (const auto& [file, card] : cards_)
      if (card.version > since) status.responses.push_back(response(file, card, false));
    for (const auto& [file, when] : removed_)
      if (!token.isEmpty() && when > since) status.responses.push_back(gone(kBookPath + file));
    return status;
  });
}

carddav::Multistatus FakeAddressBook::listEtags(const QUrl&) {
  return serve(Request::ListEtags, [&] {
    carddav::Multistatus status;
    for (const auto& [file, card] : cards_) status.responses.push_back(response(file, card, false));
    return status;
  });
}

carddav::Multistatus FakeAddressBook::multiget(const QUrl&, const QStringList& hrefs) {
  return serve(Request::Multiget, [&] {
    carddav::Multistatus status;
    for (const QString& href : hrefs) {
      const auto found = cards_.find(fileOf(href));
      if (found == cards_.end())
        status.responses.push_back(gone(href));
      else
        status.responses.push_back(response(found->first, found->second, true));
    }
    return status;
  });
}

carddav::PutResult FakeAddressBook::put(const QUrl& url, const QByteArray& vcard, const QString& ifMatch) {
  return serve(Request::Put, [&]() -> carddav::PutResult {
    const QString file = fileOf(url.path());
    const auto found = cards_.find(file);
    const bool holds = ifMatch.isEmpty() ? found == cards_.end()
                                         : found != cards_.end() && found->second.etag() == ifMatch;
    if (!holds) return {};
    store(file, vcard);
    return {true, cards_.at(file).etag()};
  });
}

bool FakeAddressBook::remove(const QUrl& url, const QString& ifMatch) {
  return serve(Request::Delete, [&] {
    const QString file = fileOf(url.path());
    const auto found = cards_.find(file);
    if (found == cards_.end()) return true;
    if (!ifMatch.isEmpty() && found->second.etag() != ifMatch) return false;
    erase(file);
    return true;
  });
}

}  // namespace testsupport
