#include "exchange/code_page.h"

#include "exchange/utf8.h"
#include "xbase/cursor.h"

#include <optional>

namespace exchange {

CodePage tableCodePage(const std::filesystem::path& dbf) {
  return CodePage::fromMark(xbase::tableInfo(dbf).codePageMark);
}

std::string toTable(std::string_view utf8, const CodePage& codePage, std::size_t& replaced) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      out.push_back(utf8[pos++]);
      continue;
    }
    const auto code = nextCharacter(utf8, pos);
    if (!code) {  // not expected from checked text; skip the byte rather than loop
      ++pos;
      ++replaced;
      out.push_back('?');
      continue;
    }
    const std::optional<char> byte = codePage.fromUnicode(*code);
    if (!byte) ++replaced;
    out.push_back(byte.value_or('?'));
  }
  return out;
}

std::string fromTable(std::string_view bytes, const CodePage& codePage) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      appendUtf8(out, codePage.toUnicode(byte));
    }
  }
  return out;
}

}  // namespace exchange
