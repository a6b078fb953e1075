#include "cardlark_db/text_output.h"

#include <array>

namespace cardlark::db {
namespace {

// The UTF-8 form of the Windows-1252 bytes 0x80 to 0x9F. The five that the
// code page leaves unassigned become the C1 controls of the same value, as
// in the address book itself, so no byte is lost.
constexpr std::array<std::string_view, 32> kHighBytes = {
    "\u20AC", "\xC2\x81", "\u201A", "\u0192", "\u201E", "\u2026", "\u2020", "\u2021",
    "\u02C6", "\u2030", "\u0160", "\u2039", "\u0152", "\xC2\x8D", "\u017D", "\xC2\x8F",
    "\xC2\x90", "\u2018", "\u2019", "\u201C", "\u201D", "\u2022", "\u2013", "\u2014",
    "\u02DC", "\u2122", "\u0161", "\u203A", "\u0153", "\xC2\x9D", "\u017E", "\u0178"};

}  // namespace

void appendPrintable(std::string& out, std::string_view bytes) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; continue;
      case '\t': out += "\\t"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      default: break;
    }
    if (byte < 0x80) {
      out.push_back(c);
    } else if (byte < 0xA0) {
      out += kHighBytes[byte - 0x80];
    } else {  // Latin-1: the byte is the code point
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
}

}  // namespace cardlark::db
