#pragma once

// The descriptions the engine's parts hand each other: how a table is
// opened, its fields and its index tags, and the code page mark of new
// tables. The public cursor header offers them to callers with the Cursor.

#include <cstdint>
#include <string>

namespace xbase {

enum class OpenMode { Shared, Exclusive };

struct FieldInfo {
  std::string name;  // as stored in the header (upper case for our tables)
  char type = 'C';   // 'C' char, 'M' memo, 'D' date, 'N' numeric, 'L' logical, 'I' integer, ...
  int length = 0;    // bytes in the record
  int decimals = 0;
};

struct TagInfo {
  std::string name;        // as stored (upper case)
  std::string expression;  // key expression as stored, e.g. "UPPER(NAME)"
  int keyLength = 0;
};

// The code page mark of new tables: Windows-1252.
inline constexpr std::uint8_t kWindowsAnsiMark = 0x03;

}  // namespace xbase
