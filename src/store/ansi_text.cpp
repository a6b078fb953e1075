#include "store/ansi_text.h"

#include <QFile>

#include <array>

#include "xbase/dbf_text.h"

namespace store {
namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones map to the C1
// control characters of the same value so that every byte survives a round
// trip. All other bytes equal their Unicode code point.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char toAnsiByte(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == unit) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

QString fromAnsi(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const char16_t unit = (byte >= 0x80 && byte <= 0x9F) ? kHighControls[byte - 0x80] : byte;
    text.append(QChar(unit));
  }
  return text;
}

std::string toAnsi(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar unit = text.at(i);
    if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;  // one character outside the BMP: one replacement byte
      bytes.push_back('?');
      continue;
    }
    bytes.push_back(toAnsiByte(unit.unicode()));
  }
  return bytes;
}

QString upperAscii(const QString& text) {
  QString upper = text;
  for (QChar& c : upper)
    if (c.unicode() < 0x80) c = QChar(xbase::asciiUpper(static_cast<char>(c.unicode())));
  return upper;
}

std::filesystem::path toFileSystemPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString fromFileSystemPath(const std::filesystem::path& path) { return QFile::decodeName(path.c_str()); }

}  // namespace store
