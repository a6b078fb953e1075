#pragma once

// The generated conversion tables behind CodePage (code_page_tables.cpp,
// written by scripts/make_code_pages from glibc's iconv).

#include <array>
#include <cstddef>
#include <cstdint>

namespace codepage::detail {

struct PageTable {
  int number;                      // 1252
  std::uint8_t mark;               // the table header's code page mark, 0x03
  const char* description;         // "Windows ANSI"
  std::array<char16_t, 128> high;  // the characters of bytes 0x80 to 0xFF
};

inline constexpr std::size_t kPageCount = 19;
extern const std::array<PageTable, kPageCount> kPages;

}  // namespace codepage::detail
