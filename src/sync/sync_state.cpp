#include "sync/sync_state.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>

#include "sync/error.h"

namespace carddav {

namespace {

constexpr char kMagic[] = "cardlark-sync";

QByteArray encode(const QByteArray& raw) { return raw.toPercentEncoding(); }
QByteArray encode(const QString& text) { return encode(text.toUtf8()); }
QString decodeText(const QByteArray& field) { return QString::fromUtf8(QByteArray::fromPercentEncoding(field)); }

QByteArray digest(const QByteArray& data) {
  return QCryptographicHash::hash(data, QCryptographicHash::Sha256).left(16).toHex();
}

[[noreturn]] void damaged(const std::filesystem::path& file, int line, const std::string& why) {
  throw Error(file.string() + " line " + std::to_string(line) + ": " + why);
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

SyncState readState(const std::filesystem::path& file) {
  QFile in(QString::fromStdString(file.string()));
  if (!in.exists()) return {};
  if (!in.open(QIODevice::ReadOnly)) throw Error("cannot read " + file.string());
  return parseState(in.readAll(), file);
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
      state.server = decodeText(f[1]);
    } else if (f[0] == "token" && f.size() == 2) {
      state.token = decodeText(f[1]);
    } else if (f[0] == "entry" && f.size() == 7) {
      const QByteArray key = QByteArray::fromPercentEncoding(f[1]);
      state.links[key.toStdString()] =
          CardLink{decodeText(f[2]), decodeText(f[3]), decodeText(f[4]), f[5], f[6]};
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
  out += "server\t" + encode(state.server) + '\n';
  out += "token\t" + encode(state.token) + '\n';
  for (const auto& [key, link] : state.links) {
    out += "entry\t" + encode(QByteArray::fromStdString(key)) + '\t' + encode(link.uid) + '\t' + encode(link.href) +
           '\t' + encode(link.etag) + '\t' + link.hash + '\t' + link.memoHash + '\n';
  }
  QSaveFile save(QString::fromStdString(file.string()));
  if (!save.open(QIODevice::WriteOnly) || save.write(out) != out.size() || !save.commit())
    throw Error("cannot write " + file.string() + ": " + save.errorString().toStdString());
}

}  // namespace carddav
