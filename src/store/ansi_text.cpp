#include "store/ansi_text.h"

#include <QFile>

#include "xbase/dbf_text.h"

namespace store {

QString fromAnsi(std::string_view bytes, const codepage::CodePage& page) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) text.append(QChar(static_cast<char16_t>(page.toUnicode(static_cast<unsigned char>(c)))));
  return text;
}

namespace {

// Calls `each` with every character of `text`, a surrogate pair as one;
// stops when it returns false.
template <typename Each>
void forEachCharacter(const QString& text, Each&& each) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t code = text.at(i).unicode();
    if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      ++i;
    }
    if (!each(code)) return;
  }
}

}  // namespace

std::string toAnsi(const QString& text, const codepage::CodePage& page) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  forEachCharacter(text, [&](char32_t code) {
    bytes.push_back(page.fromUnicode(code).value_or('?'));
    return true;
  });
  return bytes;
}

std::optional<char32_t> firstUnstorable(const QString& text, const codepage::CodePage& page) {
  std::optional<char32_t> refused;
  forEachCharacter(text, [&](char32_t code) {
    if (!page.canHold(code)) refused = code;
    return !refused;
  });
  return refused;
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
