#pragma once

// The single-byte character set a table's text is kept in, named by the code
// page mark in its header. Every conversion between table bytes and Unicode
// goes through a CodePage. Plain C++, no dependencies.
//
// Every byte has a character of its own, so bytes survive a round trip: bytes
// 0x00 to 0x7F are ASCII; a byte the code page leaves unassigned is the C1
// control of the same value (0x80 to 0x9F) or else U+F700 + byte (private
// use). A mark naming no single-byte code page known here (0x00 aside, which
// means Windows-1252) keeps ASCII and shows every byte from 0x80 as U+F700 +
// byte: nothing is misread, and no character is written in the wrong set.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace codepage {

namespace detail {
struct PageTable;
}

class CodePage {
 public:
  // Windows-1252, mark 0x03: the code page of new tables.
  CodePage();

  // The code page a header's mark names; 0 means Windows-1252.
  static CodePage fromMark(std::uint8_t mark);
  // The code page by its number (1250), or nullopt when it has no mark here.
  static std::optional<CodePage> fromNumber(int number);
  // The numbers fromNumber() knows, ascending.
  static std::vector<int> numbers();

  // The mark as the header holds it (0x03 for Windows-1252).
  std::uint8_t mark() const { return mark_; }
  // 1252; 0 for a mark naming no code page known here.
  int number() const;

  char32_t toUnicode(unsigned char byte) const;
  // The byte of a character, or nullopt when the code page cannot hold it.
  std::optional<char> fromUnicode(char32_t code) const;
  bool canHold(char32_t code) const { return fromUnicode(code).has_value(); }

  friend bool operator==(const CodePage& a, const CodePage& b) { return a.mark_ == b.mark_; }

 private:
  CodePage(const detail::PageTable* page, std::uint8_t mark) : page_(page), mark_(mark) {}

  const detail::PageTable* page_;  // nullptr: a mark known to no table here
  std::uint8_t mark_;
};

// Appends the UTF-8 form of `code` (a Unicode scalar value) to `out`.
void appendUtf8(std::string& out, char32_t code);
// Table bytes as UTF-8.
std::string toUtf8(std::string_view bytes, const CodePage& page);

}  // namespace codepage
