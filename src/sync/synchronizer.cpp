#include "sync/synchronizer.h"

#include <QUuid>
#include <algorithm>
#include <set>
#include <vector>

#include "book/name_key.h"
#include "codepage/code_page.h"
#include "sync/address_book_server.h"
#include "sync/error.h"
#include "sync/origin.h"
#include "sync/sync_state.h"

namespace carddav {

namespace {

constexpr int kMultigetBatch = 200;
constexpr int kSaveEvery = 300;
constexpr std::size_t kPutBatch = 64;  // cards handed to the server at once, a few of them in flight
constexpr char kServerSuffix[] = " (server)";

// What the server holds that differs from the state: members added or
// changed (href -> ETag) and members gone.
struct RemoteChanges {
  std::map<QString, QString> etags;
  std::set<QString> removed;
  QString token;
};

struct Fetched {
  QString etag;
  QByteArray card;
};

class Run {
 public:
  Run(const std::filesystem::path& dbf, const QUrl& book, AddressBookServer& server, const CardMapping& mapping,
      SyncState& state, const SyncProgress& progress)
      : stateFile_(stateFileOf(dbf)),
        book_(book),
        server_(server),
        mapping_(mapping),
        state_(state),
        progress_(progress),
        table_(dbf) {
    summary_.addressBook = book.toDisplayString();
    for (const std::string& name : table_.sharedNames())
      summary_.sharedNames << QString::fromStdString(codepage::toUtf8(name, table_.codePage()));
  }

  SyncSummary go() {
    try {
      const RemoteChanges remote = listRemote();
      matchRenames();
      decide(remote);
      applyFetched(fetch(toFetch_));
      linkNewEntries();
      writeState(stateFile_, state_);  // every card about to be sent has its UID and href on disk
      upload();
      state_.token = tokenAfterUploads(remote.token);
    } catch (...) {
      writeState(stateFile_, state_);  // the work done so far, under the old token
      throw;
    }
    writeState(stateFile_, state_);
    for (const auto& [href, card] : state_.unreadable) summary_.unreadable[href] = card.reason;
    return summary_;
  }

 private:
  QString normal(const QString& href) const { return inBook(book_, QUrl(href)).path(QUrl::FullyEncoded); }

  // The members' ETags: since the kept token when the server still takes
  // it, else all of them (sync-collection from scratch, or a PROPFIND).
  RemoteChanges listRemote() {
    RemoteChanges changes;
    if (!state_.token.isEmpty()) {
      if (const std::optional<Multistatus> status = server_.syncCollection(book_, state_.token)) {
        for (const DavResponse& r : status->responses) {
          const QString href = normal(r.href);
          if (href == book_.path(QUrl::FullyEncoded) || r.collection) continue;
          if (r.status == 404)
            changes.removed.insert(href);
          else
            changes.etags[href] = r.etag;
        }
        changes.token = status->syncToken.isEmpty() ? state_.token : status->syncToken;
        return changes;
      }
    }
    std::optional<Multistatus> all = server_.syncCollection(book_, QString());
    const Multistatus status = all ? std::move(*all) : server_.listEtags(book_);
    changes.token = status.syncToken;
    std::set<QString> listed;
    for (const DavResponse& r : status.responses) {
      const QString href = normal(r.href);
      if (href == book_.path(QUrl::FullyEncoded) || r.collection || r.status == 404) continue;
      listed.insert(href);
      changes.etags[href] = r.etag;
    }
    for (const auto& [key, link] : state_.links)
      if (!listed.count(link.href)) changes.removed.insert(link.href);
    for (const auto& [href, card] : state_.unreadable)
      if (!listed.count(href)) changes.removed.insert(href);
    return changes;
  }

  bool linked(const std::string& key) const { return state_.links.count(key) > 0; }

  // An entry gone from its key whose memo is found, unchanged, under exactly
  // one new key was renamed: its link moves along.
  void matchRenames() {
    std::multimap<QByteArray, std::string> newByMemo;
    for (const auto& [key, row] : table_.rows())
      if (!linked(key)) newByMemo.emplace(memoHash(row.entry.memo), key);
    std::vector<std::pair<std::string, std::string>> moves;
    for (const auto& [key, link] : state_.links) {
      if (table_.has(key) || newByMemo.count(link.memoHash) != 1) continue;
      moves.emplace_back(key, newByMemo.find(link.memoHash)->second);
      newByMemo.erase(link.memoHash);
    }
    for (const auto& [from, to] : moves) relink(from, to);
  }

  void relink(const std::string& from, const std::string& to) {
    if (from == to) return;
    CardLink link = state_.links.at(from);
    state_.links.erase(from);
    state_.links[to] = std::move(link);
  }

  bool changedHere(const std::string& key, const CardLink& link) const {
    if (!table_.has(key) || link.etag.isEmpty()) return true;
    const Entry& e = table_.rows().at(key).entry;
    return entryHash(e.name, e.memo) != link.hash;
  }

  void decide(const RemoteChanges& remote) {
    std::set<QString> known;
    for (const auto& [key, link] : state_.links) {
      known.insert(link.href);
      const auto listed = remote.etags.find(link.href);
      const bool changedThere = listed != remote.etags.end() && listed->second != link.etag;
      const bool goneThere = remote.removed.count(link.href) > 0 && !changedThere;
      if (changedThere) {
        toFetch_.push_back(link.href);
      } else if (!changedHere(key, link)) {
        if (goneThere) removeHere_.push_back(key);
      } else if (!table_.has(key)) {
        if (goneThere)
          forget_.push_back(key);
        else
          deleteThere_.push_back(key);
      } else {
        if (goneThere) state_.links[key].etag.clear();  // the change wins: the card comes back
        toPut_.push_back(key);
      }
    }
    forgetUnreadable(remote, known);
    for (const auto& [href, etag] : remote.etags)
      if (!known.count(href)) toFetch_.push_back(href);
    for (const std::string& key : forget_) state_.links.erase(key);
    for (const std::string& key : removeHere_) {
      table_.remove(key);
      state_.links.erase(key);
      ++summary_.deletedHere;
    }
  }

  // A card that could not be read is forgotten when it is gone, fetched
  // again when it changed, and otherwise stays as it was (known, so it is
  // not fetched).
  void forgetUnreadable(const RemoteChanges& remote, std::set<QString>& known) {
    for (auto it = state_.unreadable.begin(); it != state_.unreadable.end();) {
      const auto listed = remote.etags.find(it->first);
      const bool changed = listed != remote.etags.end() && listed->second != it->second.etag;
      if (!changed && remote.removed.count(it->first)) {
        it = state_.unreadable.erase(it);
        continue;
      }
      if (!changed) known.insert(it->first);
      ++it;
    }
  }

  void report(const char* step, qsizetype done, qsizetype total) const {
    if (progress_) progress_(QString::fromLatin1(step), static_cast<int>(done), static_cast<int>(total));
  }

  std::map<QString, Fetched> fetch(const QStringList& hrefs) {
    std::map<QString, Fetched> cards;
    for (qsizetype i = 0; i < hrefs.size(); i += kMultigetBatch) {
      report("Receiving cards", i, hrefs.size());
      for (const DavResponse& r : server_.multiget(book_, hrefs.mid(i, kMultigetBatch)).responses)
        if (!r.addressData.isEmpty()) cards[normal(r.href)] = Fetched{r.etag, r.addressData};
    }
    return cards;
  }

  // The name itself when no other entry or link holds its key, else the
  // first free "Name (2)", "Name (3)", ... within the name's width. The
  // number to try next is kept per name, so many cards of one name cost
  // one try each.
  std::string freeName(const std::string& name, const std::string& self) {
    const std::string key = nameKey(name);
    const auto taken = [&](const std::string& k) { return table_.has(k) || linked(k); };
    if (key == self || !taken(key)) return name;
    return book::firstFreeVariant(name, taken, nextVariant_.try_emplace(key, 2).first->second);
  }

  void remember(const std::string& key, CardLink link, const QString& etag) {
    const Entry& e = table_.rows().at(key).entry;
    link.etag = etag;
    link.hash = entryHash(e.name, e.memo);
    link.memoHash = memoHash(e.memo);
    state_.links[key] = std::move(link);
  }

  std::string store(Entry entry) {
    entry.name = freeName(entry.name, {});
    return table_.add(entry);
  }

  std::map<QString, std::string> keysByHref() const {
    std::map<QString, std::string> keyOf;
    for (const auto& [key, link] : state_.links) keyOf[link.href] = key;
    return keyOf;
  }

  void applyFetched(const std::map<QString, Fetched>& cards) {
    const std::map<QString, std::string> keyOf = keysByHref();
    for (const auto& [href, fetched] : cards) {
      ReceivedCard theirs;
      try {
        theirs = mapping_.toEntry(fetched.card);
      } catch (const std::exception& e) {
        state_.unreadable[href] = UnreadableCard{fetched.etag, QString::fromUtf8(e.what())};
        continue;
      }
      state_.unreadable.erase(href);
      state_.cards[href] = fetched.card;
      const auto known = keyOf.find(href);
      if (known == keyOf.end()) {
        takeNewCard(href, fetched, theirs);
      } else {
        CardLink& link = state_.links.at(known->second);
        if (link.uid.isEmpty()) link.uid = theirs.uid;
        takeChangedCard(known->second, fetched, theirs.entry);
      }
    }
  }

  // A card the state does not know: linked to an identical entry when there
  // is one (a sync cut short after storing it), else stored.
  void takeNewCard(const QString& href, const Fetched& fetched, const ReceivedCard& card) {
    const Entry& theirs = card.entry;
    const std::string same = nameKey(theirs.name);
    std::string key;
    if (table_.has(same) && !linked(same) && table_.rows().at(same).entry.sameText(theirs)) {
      key = same;
    } else {
      key = store(theirs);
      ++summary_.received;
    }
    remember(key, CardLink{card.uid, href, {}, {}, {}}, fetched.etag);
  }

  void takeChangedCard(const std::string& key, const Fetched& fetched, Entry theirs) {
    CardLink link = state_.links.at(key);
    if (link.etag.isEmpty() && entryHash(theirs.name, theirs.memo) == link.hash) {
      confirmUpload(key, fetched.etag);
      return;
    }
    const bool edited = changedHere(key, link);
    if (!table_.has(key)) {  // deleted here, changed there: the change wins
      state_.links.erase(key);
      remember(store(theirs), link, fetched.etag);
      ++summary_.received;
    } else if (table_.rows().at(key).entry.sameText(theirs)) {
      remember(key, link, fetched.etag);
    } else if (!edited) {
      theirs.name = freeName(theirs.name, key);
      const std::string now = table_.replace(key, theirs);
      state_.links.erase(key);
      remember(now, link, fetched.etag);
      ++summary_.received;
    } else {  // changed on both sides: ours goes over the card, theirs is kept as an entry
      theirs.name = freeName(book::withSuffix(theirs.name, kServerSuffix), {});
      table_.add(theirs);
      state_.links[key].etag = fetched.etag;
      toPut_.push_back(key);
      ++summary_.conflicts;
    }
  }

  // A card that is what we last sent, its upload not confirmed (cut short,
  // or answered without an ETag): the ETag is now known, and the entry goes
  // out again only when it changed since.
  void confirmUpload(const std::string& key, const QString& etag) {
    CardLink& link = state_.links.at(key);
    link.etag = etag;
    if (!table_.has(key))
      deleteThere_.push_back(key);
    else if (changedHere(key, link))
      toPut_.push_back(key);
  }

  // Every entry without a card gets a UID and an href, recorded before the
  // upload starts so a cut upload is not repeated as a second card.
  void linkNewEntries() {
    for (const auto& [key, row] : table_.rows()) {
      if (linked(key)) continue;
      const QString uid = entryUid(state_, key);
      const QString href = book_.resolved(QUrl(uid + QStringLiteral(".vcf"))).path(QUrl::FullyEncoded);
      CardLink link{uid, href, QString(), entryHash(row.entry.name, row.entry.memo), {}};
      state_.links[key] = link;
      toPut_.push_back(key);
    }
  }

  QUrl urlOf(const QString& href) const { return cardIn(book_, QUrl::fromEncoded(href.toUtf8())); }

  void saveNow(int& done) {
    if (++done % kSaveEvery == 0) writeState(stateFile_, state_);
    report("Sending cards", done, toPut_.size() + deleteThere_.size());
  }

  // A card sent over one that came from the server keeps that card's UID.
  // Links kept without one (states written before UIDs of received cards
  // were kept) learn it from the card first; a card without any gets a new
  // one.
  void learnUids() {
    QStringList hrefs;
    for (const std::string& key : toPut_) {
      const CardLink& link = state_.links.at(key);
      if (link.uid.isEmpty() && !link.etag.isEmpty()) hrefs << link.href;
    }
    const std::map<QString, std::string> keyOf = keysByHref();
    for (const auto& [href, fetched] : fetch(hrefs)) {
      const auto known = keyOf.find(href);
      if (known == keyOf.end()) continue;
      try {
        state_.links.at(known->second).uid = mapping_.toEntry(fetched.card).uid;
      } catch (const std::exception&) {
      }
    }
    for (const std::string& key : toPut_) {
      CardLink& link = state_.links.at(key);
      if (link.uid.isEmpty()) link.uid = entryUid(state_, key);
    }
  }

  void upload() {
    learnUids();
    int done = 0;
    QStringList unconfirmed;
    for (std::size_t first = 0; first < toPut_.size(); first += kPutBatch) {
      const std::size_t last = std::min(toPut_.size(), first + kPutBatch);
      std::vector<PutRequest> cards;
      for (std::size_t i = first; i < last; ++i) {
        const CardLink& link = state_.links.at(toPut_[i]);
        const auto kept = state_.cards.find(link.href);
        cards.push_back({urlOf(link.href),
                         mapping_.toCard(table_.rows().at(toPut_[i]).entry, link.uid,
                                         kept == state_.cards.end() ? QByteArray() : kept->second),
                         link.etag});
      }
      // Every card stored is recorded before a failure of the batch ends
      // the sync; a failed one keeps its old link and goes out next time.
      const std::vector<PutOutcome> outcomes = server_.putAll(cards);
      std::string failed;
      for (std::size_t i = first; i < last; ++i) {
        const PutOutcome& outcome = outcomes.at(i - first);
        if (!outcome.error.empty()) {
          if (failed.empty()) failed = outcome.error;
          continue;
        }
        if (!outcome.result.stored) continue;  // changed meanwhile: the next sync sees it
        const CardLink link = state_.links.at(toPut_[i]);
        // A card made from the entry alone holds nothing to keep: a first
        // upload writes no cards.
        if (const auto kept = state_.cards.find(link.href); kept != state_.cards.end())
          kept->second = cards[i - first].vcard;
        remember(toPut_[i], link, outcome.result.etag);
        sentKeys_.push_back(toPut_[i]);
        if (outcome.result.etag.isEmpty()) unconfirmed << link.href;
        ++summary_.sent;
        saveNow(done);
      }
      if (!failed.empty()) throw Error(failed);
    }
    learnEtags(unconfirmed);
    for (const std::string& key : deleteThere_) {
      const CardLink& link = state_.links.at(key);
      if (!server_.remove(urlOf(link.href), link.etag)) continue;
      ours_[link.href] = QString();
      state_.links.erase(key);
      ++summary_.deletedThere;
      saveNow(done);
    }
  }

  // The listing's token is from before this sync's own uploads and
  // deletes. A server that tells the changes since a token as the
  // difference of two versions leaves out a card we sent that is deleted
  // before the next sync, which would then never learn of the delete; so
  // the token moves past our own changes, when the server's changes since
  // the listing are exactly ours (anything else: the next sync sorts it out
  // from the old token).
  QString tokenAfterUploads(const QString& token) {
    if (token.isEmpty() || (sentKeys_.empty() && ours_.empty())) return token;
    for (const std::string& key : sentKeys_) ours_[state_.links.at(key).href] = state_.links.at(key).etag;
    std::optional<Multistatus> since;
    try {
      since = server_.syncCollection(book_, token);
    } catch (const Error&) {
      return token;  // the sync's work is done; the next one starts from the listing
    }
    if (!since || since->syncToken.isEmpty()) return token;
    for (const DavResponse& r : since->responses) {
      const QString href = normal(r.href);
      if (href == book_.path(QUrl::FullyEncoded) || r.collection) continue;
      const auto ours = ours_.find(href);
      const QString etag = r.status == 404 ? QString() : r.etag;
      if (ours == ours_.end() || ours->second != etag || (r.status != 404 && etag.isEmpty())) return token;
    }
    return since->syncToken;
  }

  // The ETags of cards whose PUT was answered without one, asked for in a
  // multiget; a card that is no longer what we sent keeps no ETag, so the
  // next sync fetches it.
  void learnEtags(const QStringList& hrefs) {
    if (hrefs.isEmpty()) return;
    const std::map<QString, std::string> keyOf = keysByHref();
    for (const auto& [href, fetched] : fetch(hrefs)) {
      const auto known = keyOf.find(href);
      if (known == keyOf.end()) continue;
      CardLink& link = state_.links.at(known->second);
      try {
        const Entry theirs = mapping_.toEntry(fetched.card).entry;
        if (entryHash(theirs.name, theirs.memo) == link.hash) link.etag = fetched.etag;
      } catch (const std::exception&) {
      }
    }
  }

  std::filesystem::path stateFile_;
  QUrl book_;
  AddressBookServer& server_;
  const CardMapping& mapping_;
  SyncState& state_;
  const SyncProgress& progress_;
  LocalTable table_;
  std::map<std::string, std::size_t> nextVariant_;  // per name key, for freeName
  SyncSummary summary_;
  QStringList toFetch_;
  std::vector<std::string> sentKeys_;  // entries whose card this sync stored
  std::map<QString, QString> ours_;    // href -> ETag of what this sync left there ("" deleted)
  std::vector<std::string> toPut_, deleteThere_, removeHere_, forget_;
};

// The kept address book when `url` leads to it (the same URL or one above it
// on the same server), else the one discovery finds; a state kept for
// another address book is refused rather than mixed in.
QUrl addressBookFor(const QUrl& url, const SyncState& state, AddressBookServer& server) {
  if (!state.server.isEmpty()) {
    const QUrl kept(state.server);
    const bool sameServer = kept.scheme() == url.scheme() && kept.host() == url.host() && kept.port() == url.port();
    if (sameServer && kept.path().startsWith(url.path())) return kept;
  }
  const QUrl found = server.findAddressBook(url);
  if (!state.server.isEmpty() && QUrl(state.server) != found)
    throw Error("the table is synced with " + state.server.toStdString() +
                "; move its ADDRESS.sync away to sync it with another address book");
  return found;
}

}  // namespace

SyncSummary synchronize(const std::filesystem::path& dbf, const QUrl& url, AddressBookServer& server,
                        const CardMapping& mapping, const SyncProgress& progress) {
  SyncState state = readState(stateFileOf(dbf));
  state.server = addressBookFor(url, state, server).toString();
  return Run(dbf, QUrl(state.server), server, mapping, state, progress).go();
}

}  // namespace carddav
