#include "cardlark_db/typed_text.h"

#include "cardlark_db/command.h"
#include "exchange/utf8.h"

namespace cardlark::db {

std::string tableText(std::string_view utf8, const codepage::CodePage& page, const char* what) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    const std::optional<char32_t> code = exchange::nextCharacter(utf8, pos);
    if (!code) throw UsageError(std::string(what) + " is not valid UTF-8");
    const std::optional<char> byte = page.fromUnicode(*code);
    if (!byte)
      throw UsageError(std::string(what) + " holds " + std::string(utf8.substr(start, pos - start)) +
                       ", which the table's code page " + std::to_string(page.number()) + " cannot hold");
    out.push_back(*byte);
  }
  return out;
}

}  // namespace cardlark::db
