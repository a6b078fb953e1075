#include "rtf/code_page.h"

#include <array>

namespace rtf {
namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones map to the C1
// control characters of the same value so that every byte survives a round
// trip. All other bytes equal their Unicode code point.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char32_t codePageToUnicode(unsigned char byte) {
  return (byte >= 0x80 && byte <= 0x9F) ? kHighControls[byte - 0x80] : byte;
}

char unicodeToCodePage(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace rtf
