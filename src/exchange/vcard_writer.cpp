#include "exchange/vcard_writer.h"

#include "exchange/contact_draft.h"

namespace exchange {

std::string escapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (const char c : replaceLineBreaks(text, "\n")) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '\\' || c == ',' || c == ';') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

void appendContentLine(std::string& out, std::string_view name, std::string_view value) {
  std::string line;
  line.reserve(name.size() + value.size() + 1);
  line += name;
  line += ':';
  line += value;
  std::size_t start = 0;
  std::size_t room = kFoldWidth;
  while (line.size() - start > room) {
    std::size_t cut = start + room;
    // Back up to the first byte of a UTF-8 sequence.
    while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line, start, cut - start);
    out += "\r\n ";
    start = cut;
    room = kFoldWidth - 1;
  }
  out.append(line, start, std::string::npos);
  out += "\r\n";
}

}  // namespace exchange
