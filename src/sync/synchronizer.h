#pragma once

// Two-way sync of the address table with one CardDAV address book.
//
// What changed is told apart by the state file (sync_state.h): an entry
// changed here when its hash differs from the one kept, a card changed on
// the server when its ETag differs (found by sync-collection from the kept
// token, or by a listing of every ETag when the server offers no token).
// Only changed cards are fetched (addressbook-multiget) and only changed
// entries sent (PUT with If-Match, or If-None-Match: * for a new card;
// DELETE with If-Match), so a sync after a sync sends and receives nothing.
//
// An entry changed here goes back into the card the server last had (kept
// in the state, sync_state.h), so what the entry does not hold stays on the
// server. A new entry's card gets the UID derived from its name key, the
// one an export gives it.
//
// An entry renamed here (its memo unchanged) is found again by its memo and
// sent as one changed card under its old UID.
//
// Conflicts keep both sides: an entry changed here whose card changed on the
// server as well keeps its name and its text, which go to the server over
// the card; the server's version becomes a new entry "<name> (server)" (cut
// to the name's width, numbered when taken), which goes to the server as a
// card of its own. Deleted on one side and changed on the other, the change
// wins and the entry or card comes back. A card whose name is taken by
// another entry is stored under a numbered name ("Name (2)").
//
// Interrupted anywhere, the table and the state file stay consistent: the
// state is saved before uploads start (new cards recorded with an empty
// ETag) and every few hundred uploads; the next sync finds the work already
// done by comparing contents and finishes the rest. Cards are handed to the
// server in batches (AddressBookServer::putAll, several in flight): every
// card of a batch that was stored is recorded, and one that failed keeps its
// old link, ends the sync with its error and goes out again next time.

#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <map>

#include "sync/local_table.h"

namespace carddav {

class AddressBookServer;

// A card as read: its entry and its UID ("" when it has none).
struct ReceivedCard {
  Entry entry;
  QString uid;
};

// Between an entry and a vCard (UTF-8), both ways.
struct CardMapping {
  // The card of `entry`: `kept` (the card the server last had, "" for none)
  // brought up to the entry, or a card of its own.
  std::function<QByteArray(const Entry& entry, const QString& uid, const QByteArray& kept)> toCard;
  // The entry of a card; throws std::exception for a card it cannot read.
  std::function<ReceivedCard(const QByteArray& card)> toEntry;
};

struct SyncSummary {
  QString addressBook;
  int sent = 0;          // cards uploaded
  int received = 0;      // cards fetched into the table
  int deletedHere = 0;   // entries deleted because their card went
  int deletedThere = 0;  // cards deleted because their entry went
  int conflicts = 0;
  // Every card of the address book that cannot be read (by href, with the
  // reason), found in this sync or an earlier one and unchanged since: the
  // state keeps them, so each sync names them until they are mended or gone.
  std::map<QString, QString> unreadable;
  // Entries left out because an earlier entry holds the same name: the
  // server knows an entry by its name, so these wait until renamed.
  QStringList sharedNames;
};

// Told as the work goes on: the step ("Receiving cards", "Sending cards")
// and how many of its cards are done.
using SyncProgress = std::function<void(const QString& step, int done, int total)>;

// Syncs the table `dbf` with the address book at or below `url` on `server`.
SyncSummary synchronize(const std::filesystem::path& dbf, const QUrl& url, AddressBookServer& server,
                        const CardMapping& mapping, const SyncProgress& progress = {});

}  // namespace carddav
