#pragma once

// What the last sync left behind, kept in ADDRESS.sync beside the table.
//
// The file is UTF-8 text, one record a line, fields split by a TAB, every
// field percent-encoded (so a TAB, a line break, '%' and bytes above 127 in
// a name key never break a line):
//
//   cardlark-sync<TAB>1
//   server<TAB><the address book's URL>
//   token<TAB><the server's sync token, empty when it offers none>
//   entry<TAB><key><TAB><uid><TAB><href><TAB><etag><TAB><hash><TAB><memo hash>
//   ...
//   unreadable<TAB><href><TAB><etag><TAB><reason>
//   ...
//
// The first line names the format and its version; a file of another version
// is refused, never guessed at. Each entry line links one entry of the
// table, found by its name key (the key of the Address tag, bytes as the
// table holds them: record numbers change when the table is packed, the
// duplicate rule keeps names unique), to its card on the server: the card's
// UID, its href, the ETag the server gave when it was last seen, and hashes
// of the entry (name and memo) and of its memo alone as last synced. An empty
// ETag marks a card whose upload was started but not confirmed. An
// unreadable line names a card of the server that could not be read into an
// entry, with the ETag it had then and why, so that every later sync still
// names it until it changes or goes (files without such lines stay valid).
//
// Beside it, ADDRESS.cards keeps the card of every linked entry that came
// from the server, as the server last gave it or as it was last sent over
// it (a card made from an entry alone is not kept), so that an entry
// changed here goes back into its card without losing what the entry does
// not hold (a photo, an address, X- properties):
//
//   cardlark-cards<TAB>1
//   card<TAB><href><TAB><bytes>
//   <the card's bytes>
//   ...
//
// each card at most kLongestCard bytes. Cards of hrefs no entry links are
// not written. It is written first, so a crash between the two files leaves
// a card newer than the state's ETag, which the next sync fetches again.
//
// Both files are replaced as a whole through a temporary file and a
// rename, so a crash leaves either the old or the new one; a failed write
// or flush (a full disk) throws and leaves the old one untouched. Each is
// the user's alone (mode 0600) and holds no secret: user information in
// the server's URL is dropped when it is written and when it is read.

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <map>
#include <string>

namespace carddav {

struct CardLink {
  QString uid;
  QString href;     // absolute path on the server
  QString etag;     // "" until the server confirmed the upload
  QByteArray hash;  // entryHash of the entry as last synced
  QByteArray memoHash;
};

// A card of the server that could not be read into an entry.
struct UnreadableCard {
  QString etag;    // as last fetched: an unchanged card is not fetched again
  QString reason;  // why it could not be read
};

struct SyncState {
  QString server;  // the address book's URL
  QString token;
  std::map<std::string, CardLink> links;         // by name key
  std::map<QString, UnreadableCard> unreadable;  // by href
  std::map<QString, QByteArray> cards;           // by href: the card kept
};

inline constexpr int kStateVersion = 1;

// The state file of the table `dbf`: ADDRESS.sync beside it.
std::filesystem::path stateFileOf(const std::filesystem::path& dbf);

// The cards file beside the state file `file`: ADDRESS.cards.
std::filesystem::path cardsFileOf(const std::filesystem::path& file);

// Reads the file and its cards file; an empty state when it does not
// exist, no cards when the cards file does not. A damaged file or
// another version: carddav::Error naming the line; anything but a regular
// file (a FIFO, a device): carddav::Error, without waiting on it.
SyncState readState(const std::filesystem::path& file);
// Reads the text of a state file; `file` names it in the errors.
SyncState parseState(const QByteArray& text, const std::filesystem::path& file);
// The cards of a cards file's text; `file` names it in the errors.
std::map<QString, QByteArray> parseCards(const QByteArray& text, const std::filesystem::path& file);
// Replaces the cards file (when there are cards to keep or it exists) and
// then the file; carddav::Error when any write, flush or a rename fails.
void writeState(const std::filesystem::path& file, const SyncState& state);

// The hex digests the state keeps of an entry's name and memo, and of its
// memo alone, as the table holds them.
QByteArray entryHash(const std::string& name, const std::string& memo);
QByteArray memoHash(const std::string& memo);

// The UID of the card of the entry with the name key `key`: the one the
// state links it to, else one derived from the key (a UUID of version 5),
// so an entry has the same UID in every export, before its first sync and
// after.
QString entryUid(const SyncState& state, const std::string& key);

}  // namespace carddav
