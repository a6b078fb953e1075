#include "sync/sync_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QUrl>
#include <QUuid>
#include <cerrno>
#include <cstring>
#include <optional>

#include "fileio/file_calls.h"
#include "sync/dav_xml.h"
#include "sync/error.h"

namespace carddav {

namespace {

constexpr char kMagic[] = "cardlark-sync";
constexpr char kCardsMagic[] = "cardlark-cards";
constexpr int kCardsVersion = 1;
// The namespace of the UIDs derived from name keys.
const QUuid kUidNamespace(QStringLiteral("6f3b2c1e-8d4a-4f5b-9c2e-1a7d0e9b3c55"));

QByteArray encode(const QByteArray& raw) { return raw.toPercentEncoding(); }
QByteArray encode(const QString& text) { return encode(text.toUtf8()); }
QString decodeText(const QByteArray& field) { return QString::fromUtf8(QByteArray::fromPercentEncoding(field)); }

QByteArray digest(const QByteArray& data) {
  return QCryptographicHash::hash(data, QCryptographicHash::Sha256).left(16).toHex();
}

// The address book's URL without user information: a password someone put
// in the address is never written, nor taken from a file written before.
QString withoutUserInfo(const QString& server) {
  return server.isEmpty() ? server : QUrl(server).adjusted(QUrl::RemoveUserInfo).toString();
}

[[noreturn]] void failed(const std::string& what, const std::string& path, int error) {
  throw Error(what + " " + path + ": " + std::strerror(error));
}

// Writes all of `data` to `fd`; false with errno set on a failure.
bool writeAll(int fd, const QByteArray& data) {
  const char* at = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = fileio::calls.write(fd, at, static_cast<std::size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    at += n;
    left -= n;
  }
  return true;
}

void syncFolder(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) failed("cannot open the folder", folder.string(), errno);
  const int result = fileio::calls.fsync(fd);
  const int error = errno;
  ::close(fd);
  if (result != 0) failed("cannot flush the folder", folder.string(), error);
}

// Puts `data` in place of `file` through a temporary file beside it: every
// write and the flush checked before the rename, so a failure (a full disk)
// leaves the old file as it was.
void replaceFile(const std::filesystem::path& file, const QByteArray& data) {
  std::string temporary = file.string() + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());  // mode 0600: the file is the user's alone
  if (fd < 0) failed("cannot create a temporary file for", file.string(), errno);
  const bool written = writeAll(fd, data) && fileio::calls.fsync(fd) == 0;
  int error = errno;
  const bool closed = ::close(fd) == 0;
  if (written && !closed) error = errno;
  if (!written || !closed) {
    ::unlink(temporary.c_str());
    failed("cannot write", file.string(), error);
  }
  if (fileio::calls.rename(temporary.c_str(), file.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(temporary.c_str());
    failed("cannot replace", file.string(), renameError);
  }
  syncFolder(file);
}

[[noreturn]] void damaged(const std::filesystem::path& file, int line, const std::string& why) {
  throw Error(file.string() + " line " + std::to_string(line) + ": " + why);
}

// The text of `file`; nullopt when it does not exist. Opened without
// blocking and checked to be a plain file before reading: a FIFO or a
// device in its place must not stall the sync.
std::optional<QByteArray> readPlainFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return std::nullopt;
  if (fd < 0) failed("cannot read", file.string(), errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw Error(file.string() + " is not a regular file; move it away to sync");
  }
  QFile in;
  if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw Error("cannot read " + file.string());
  }
  return in.readAll();
}

// The cards of linked hrefs, when there are any or the file was written
// before.
void writeCards(const std::filesystem::path& file, const SyncState& state) {
  QByteArray out = QByteArray(kCardsMagic) + '\t' + QByteArray::number(kCardsVersion) + '\n';
  bool any = false;
  for (const auto& [key, link] : state.links) {
    const auto card = state.cards.find(link.href);
    if (card == state.cards.end() || card->second.size() > kLongestCard) continue;
    out += "card\t" + encode(link.href) + '\t' + QByteArray::number(card->second.size()) + '\n' + card->second + '\n';
    any = true;
  }
  if (any || std::filesystem::exists(file)) replaceFile(file, out);
}

}  // namespace

std::filesystem::path stateFileOf(const std::filesystem::path& dbf) {
  return dbf.parent_path() / (dbf.stem().string() + ".sync");
}

QByteArray entryHash(const std::string& name, const std::string& memo) {
  QByteArray data(name.data(), static_cast<qsizetype>(name.size()));
  data.append('\0');
  data.append(memo.data(), static_cast<qsizetype>(memo.size()));
  return digest(data);
}

QByteArray memoHash(const std::string& memo) {
  return digest(QByteArray(memo.data(), static_cast<qsizetype>(memo.size())));
}

std::filesystem::path cardsFileOf(const std::filesystem::path& file) {
  return std::filesystem::path(file).replace_extension(".cards");
}

QString entryUid(const SyncState& state, const std::string& key) {
  const auto link = state.links.find(key);
  if (link != state.links.end() && !link->second.uid.isEmpty()) return link->second.uid;
  return QUuid::createUuidV5(kUidNamespace, QByteArray::fromStdString(key)).toString(QUuid::WithoutBraces);
}

SyncState readState(const std::filesystem::path& file) {
  const std::optional<QByteArray> text = readPlainFile(file);
  if (!text) return {};
  SyncState state = parseState(*text, file);
  const std::filesystem::path cardsFile = cardsFileOf(file);
  if (const std::optional<QByteArray> cards = readPlainFile(cardsFile)) state.cards = parseCards(*cards, cardsFile);
  return state;
}

std::map<QString, QByteArray> parseCards(const QByteArray& text, const std::filesystem::path& file) {
  std::map<QString, QByteArray> cards;
  const qsizetype firstEnd = text.indexOf('\n');
  if (firstEnd < 0 || text.left(firstEnd) != QByteArray(kCardsMagic) + '\t' + QByteArray::number(kCardsVersion))
    damaged(file, 1, "not a cards file of this program's version");
  int number = 1;
  for (qsizetype at = firstEnd + 1; at < text.size();) {
    ++number;
    const qsizetype end = text.indexOf('\n', at);
    const QList<QByteArray> f = text.mid(at, end < 0 ? -1 : end - at).split('\t');
    bool counted = false;
    const qsizetype size = f.size() == 3 ? f[2].toLongLong(&counted) : 0;
    if (end < 0 || f[0] != "card" || !counted || size < 0 || size > kLongestCard || end + 1 + size >= text.size() ||
        text[end + 1 + size] != '\n')
      damaged(file, number, "unreadable record");
    cards[decodeText(f[1])] = text.mid(end + 1, size);
    at = end + 2 + size;
  }
  return cards;
}

SyncState parseState(const QByteArray& text, const std::filesystem::path& file) {
  SyncState state;
  int number = 0;
  for (qsizetype at = 0; at < text.size();) {
    const qsizetype end = text.indexOf('\n', at);
    const qsizetype next = end < 0 ? text.size() : end + 1;
    QByteArray line = text.mid(at, next - at);
    at = next;
    ++number;
    if (line.endsWith('\n')) line.chop(1);
    if (line.isEmpty()) continue;
    const QList<QByteArray> f = line.split('\t');
    if (number == 1) {
      if (f.size() != 2 || f[0] != kMagic) damaged(file, number, "not a sync state file");
      if (f[1].toInt() != kStateVersion)
        damaged(file, number, "version " + f[1].toStdString() + " is not known to this program");
    } else if (f[0] == "server" && f.size() == 2) {
      state.server = withoutUserInfo(decodeText(f[1]));
    } else if (f[0] == "token" && f.size() == 2) {
      state.token = decodeText(f[1]);
    } else if (f[0] == "entry" && f.size() == 7) {
      const QByteArray key = QByteArray::fromPercentEncoding(f[1]);
      state.links[key.toStdString()] = CardLink{decodeText(f[2]), decodeText(f[3]), decodeText(f[4]), f[5], f[6]};
    } else if (f[0] == "unreadable" && f.size() == 4) {
      state.unreadable[decodeText(f[1])] = UnreadableCard{decodeText(f[2]), decodeText(f[3])};
    } else {
      damaged(file, number, "unreadable record");
    }
  }
  if (number == 0) damaged(file, 1, "empty file");
  return state;
}

void writeState(const std::filesystem::path& file, const SyncState& state) {
  QByteArray out;
  out += QByteArray(kMagic) + '\t' + QByteArray::number(kStateVersion) + '\n';
  out += "server\t" + encode(withoutUserInfo(state.server)) + '\n';
  out += "token\t" + encode(state.token) + '\n';
  for (const auto& [key, link] : state.links) {
    out += "entry\t" + encode(QByteArray::fromStdString(key)) + '\t' + encode(link.uid) + '\t' + encode(link.href) +
           '\t' + encode(link.etag) + '\t' + link.hash + '\t' + link.memoHash + '\n';
  }
  for (const auto& [href, card] : state.unreadable)
    out += "unreadable\t" + encode(href) + '\t' + encode(card.etag) + '\t' + encode(card.reason) + '\n';
  writeCards(cardsFileOf(file), state);
  replaceFile(file, out);
}

}  // namespace carddav
