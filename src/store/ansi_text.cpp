#include "store/ansi_text.h"

#include <QFile>

#include "rtf/code_page.h"

#include "xbase/dbf_text.h"

namespace store {

QString fromAnsi(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes)
    text.append(QChar(static_cast<char16_t>(rtf::codePageToUnicode(static_cast<unsigned char>(c)))));
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
    bytes.push_back(rtf::unicodeToCodePage(unit.unicode()));
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
