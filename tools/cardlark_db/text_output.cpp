#include "cardlark_db/text_output.h"

namespace cardlark::db {

void appendPrintable(std::string& out, std::string_view bytes, const codepage::CodePage& page) {
  for (const char c : bytes) {
    switch (c) {
      case '\\': out += "\\\\"; continue;
      case '\t': out += "\\t"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      default: codepage::appendUtf8(out, page.toUnicode(static_cast<unsigned char>(c)));
    }
  }
}

}  // namespace cardlark::db
