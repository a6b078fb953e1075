#pragma once

// The DBF header: the fixed 32 bytes, the field descriptors and the
// terminator, as FoxPro and dBASE-compatible tools write them.
//
//   0      version (0x03 no memo, 0xF5 FoxPro with memo, 0x30/0x31 Visual FoxPro)
//   1-3    date of last update: year byte, month, day
//   4-7    record count (little endian)
//   8-9    header length = offset of the first record
//   10-11  record length, deletion flag included
//   28     table flags: 0x01 structural CDX, 0x02 memo (Visual FoxPro)
//   29     code page mark (0x03 Windows ANSI)
//   32...  32-byte field descriptors: name (11 bytes, NUL padded), type,
//          4 bytes displacement, length, decimals, ...
//          then 0x0D; Visual FoxPro tables follow it with a 263-byte
//          backlink area. The header length field is what counts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/table_types.h"

namespace xbase {

struct DbfHeader {
  static constexpr std::size_t kFixedSize = 32;
  static constexpr std::size_t kFieldSize = 32;
  static constexpr std::size_t kBacklinkSize = 263;
  static constexpr std::uint8_t kFlagCdx = 0x01;
  static constexpr std::uint8_t kFlagMemo = 0x02;

  std::uint8_t version = 0x03;
  std::uint8_t yearByte = 0;
  std::uint8_t month = 1;
  std::uint8_t day = 1;
  std::uint32_t recordCount = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t recordLength = 0;
  std::uint8_t flags = 0;
  std::uint8_t codePage = 0;
  std::vector<FieldInfo> fields;
  std::vector<int> offsets;  // of each field in the record (byte 0 is the deletion flag)

  bool hasMemo() const;
  std::string lastUpdateText() const;

  // The header length that the fixed part announces; Corrupt when the fixed
  // part is not a header we read. `fixed` holds at least kFixedSize bytes.
  static std::uint16_t announcedLength(std::string_view fixed, const std::string& fileName);
  // Parses the whole header (announcedLength bytes). Corrupt with a clear
  // text when the descriptors contradict the lengths.
  static DbfHeader parse(std::string_view bytes, const std::string& fileName);

  // The header of a new, empty table: FoxPro with memo (0xF5) when a memo
  // field is present, Visual FoxPro (0x30) when an Integer field needs it,
  // else 0x03; code page mark 0x03; dated today.
  static DbfHeader forNewTable(std::vector<FieldInfo> fields);
  std::string serialize() const;

  // Bytes 1-7 (date and count) as they are written after each change.
  static std::string dateAndCount(std::uint32_t count);
};

}  // namespace xbase
