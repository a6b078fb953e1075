#include "xbase/dbf_header.h"

#include <algorithm>
#include <cstring>

#include "xbase/date.h"
#include "xbase/dbf_bytes.h"
#include "xbase/error.h"

namespace xbase {
namespace {

[[noreturn]] void corrupt(const std::string& fileName, const std::string& why) {
  throw Error(ErrorCode::Corrupt, fileName + " is not a readable table: " + why);
}

bool knownVersion(std::uint8_t v) { return v == 0x03 || v == 0x30 || v == 0x31 || v == 0x32 || v == 0xF5 || v == 0xFB; }

}  // namespace

bool DbfHeader::hasMemo() const {
  return std::any_of(fields.begin(), fields.end(), [](const FieldInfo& f) { return f.type == 'M'; });
}

std::string DbfHeader::lastUpdateText() const { return formatHeaderDate(yearByte, month, day); }

std::uint16_t DbfHeader::announcedLength(std::string_view fixed, const std::string& fileName) {
  if (fixed.size() < kFixedSize) corrupt(fileName, "the file is shorter than a table header");
  auto version = static_cast<std::uint8_t>(fixed[0]);
  if (version == 0x83 || version == 0x8B || version == 0x8E)
    throw Error(ErrorCode::Unsupported, fileName + " is a dBASE table with a .DBT memo file, which is not supported");
  if (!knownVersion(version)) corrupt(fileName, "unknown version byte " + hexByte(version));
  std::uint16_t length = readLe16(fixed.data() + 8);
  if (length < kFixedSize + kFieldSize + 1)
    corrupt(fileName, "header length " + std::to_string(length) + " is too small");
  return length;
}

DbfHeader DbfHeader::parse(std::string_view bytes, const std::string& fileName) {
  DbfHeader h;
  h.headerLength = announcedLength(bytes, fileName);
  if (bytes.size() < h.headerLength) corrupt(fileName, "the header is cut short");
  const char* p = bytes.data();
  h.version = static_cast<std::uint8_t>(p[0]);
  h.yearByte = static_cast<std::uint8_t>(p[1]);
  h.month = static_cast<std::uint8_t>(p[2]);
  h.day = static_cast<std::uint8_t>(p[3]);
  h.recordCount = readLe32(p + 4);
  h.recordLength = readLe16(p + 10);
  h.flags = static_cast<std::uint8_t>(p[28]);
  h.codePage = static_cast<std::uint8_t>(p[29]);
  if (h.recordLength < 2) corrupt(fileName, "record length " + std::to_string(h.recordLength) + " is too small");

  int offset = 1;
  for (std::size_t at = kFixedSize; at + kFieldSize <= h.headerLength && p[at] != 0x0D; at += kFieldSize) {
    const char* d = p + at;
    FieldInfo f;
    f.name.assign(d, strnlen(d, 11));
    f.type = d[11];
    f.length = static_cast<std::uint8_t>(d[16]);
    f.decimals = static_cast<std::uint8_t>(d[17]);
    if (f.name.empty()) corrupt(fileName, "field " + std::to_string(h.fields.size() + 1) + " has no name");
    if (f.length == 0) corrupt(fileName, "field " + f.name + " has width 0");
    if (f.type == 'M' && f.length != 4 && f.length != 10)
      corrupt(fileName, "memo field " + f.name + " has width " + std::to_string(f.length));
    if (f.type == 'I' && f.length != 4) corrupt(fileName, "integer field " + f.name + " is not 4 bytes wide");
    h.offsets.push_back(offset);
    offset += f.length;
    h.fields.push_back(std::move(f));
  }
  if (h.fields.empty()) corrupt(fileName, "no field descriptors");
  if (offset > h.recordLength)
    corrupt(fileName,
            "the fields need " + std::to_string(offset) + " bytes but a record has " + std::to_string(h.recordLength));
  return h;
}

DbfHeader DbfHeader::forNewTable(std::vector<FieldInfo> fields) {
  DbfHeader h;
  const bool integer = std::any_of(fields.begin(), fields.end(), [](const FieldInfo& f) { return f.type == 'I'; });
  h.fields = std::move(fields);
  const bool memo = h.hasMemo();
  h.version = integer ? 0x30 : memo ? 0xF5 : 0x03;
  if (integer && memo) h.flags |= kFlagMemo;
  h.codePage = kWindowsAnsiMark;
  int offset = 1;
  for (auto& f : h.fields) {
    if (f.type == 'M') f.length = integer ? 4 : 10;  // Visual FoxPro keeps memo pointers binary
    h.offsets.push_back(offset);
    offset += f.length;
  }
  h.recordLength = static_cast<std::uint16_t>(offset);
  // Terminator 0x0D and a 0x00 pad byte, as FoxPro writes it; Visual FoxPro adds the backlink.
  std::size_t length = kFixedSize + kFieldSize * h.fields.size() + 2 + (integer ? kBacklinkSize - 1 : 0);
  h.headerLength = static_cast<std::uint16_t>(length);
  CalendarDate today = localToday();
  h.yearByte = static_cast<std::uint8_t>(headerYearByte(today));
  h.month = static_cast<std::uint8_t>(today.month);
  h.day = static_cast<std::uint8_t>(today.day);
  return h;
}

std::string DbfHeader::serialize() const {
  std::string out(headerLength, '\0');
  char* p = out.data();
  p[0] = static_cast<char>(version);
  p[1] = static_cast<char>(yearByte);
  p[2] = static_cast<char>(month);
  p[3] = static_cast<char>(day);
  writeLe32(p + 4, recordCount);
  writeLe16(p + 8, headerLength);
  writeLe16(p + 10, recordLength);
  p[28] = static_cast<char>(flags);
  p[29] = static_cast<char>(codePage);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    char* d = p + kFixedSize + i * kFieldSize;
    std::memcpy(d, fields[i].name.data(), std::min<std::size_t>(fields[i].name.size(), 10));
    d[11] = fields[i].type;
    writeLe32(d + 12, static_cast<std::uint32_t>(offsets[i]));
    d[16] = static_cast<char>(fields[i].length);
    d[17] = static_cast<char>(fields[i].decimals);
  }
  p[kFixedSize + kFieldSize * fields.size()] = 0x0D;
  return out;
}

std::string DbfHeader::dateAndCount(std::uint32_t count) {
  CalendarDate today = localToday();
  std::string out(7, '\0');
  out[0] = static_cast<char>(headerYearByte(today));
  out[1] = static_cast<char>(today.month);
  out[2] = static_cast<char>(today.day);
  writeLe32(out.data() + 3, count);
  return out;
}

}  // namespace xbase
