#include "exchange/code_page.h"

#include "exchange/utf8.h"
#include "rtf/code_page.h"

namespace exchange {

CodePage tableCodePage() { return {rtf::unicodeToCodePage, rtf::codePageToUnicode}; }

std::string toTable(std::string_view utf8, const CodePage& codePage, std::size_t& replaced) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto code = nextCharacter(utf8, pos);
    if (!code) {  // not expected from checked text; skip the byte rather than loop
      ++pos;
      ++replaced;
      out.push_back('?');
      continue;
    }
    const char byte = *code < 0x80 ? static_cast<char>(*code) : codePage.fromUnicode(*code);
    if (byte == '?' && *code != U'?') ++replaced;
    out.push_back(byte);
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
