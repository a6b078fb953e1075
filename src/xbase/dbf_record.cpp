#include "xbase/dbf_record.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "xbase/dbf_bytes.h"
#include "xbase/dbf_text.h"
#include "xbase/error.h"

namespace xbase {
namespace {

[[noreturn]] void badValue(const FieldInfo& field, std::string_view text, const char* why) {
  throw Error(ErrorCode::Argument,
              "\"" + std::string(text) + "\" cannot be stored in field " + field.name + ": " + why);
}

bool allDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string encodeNumber(const FieldInfo& field, std::string_view text) {
  std::string_view t = trimBlanks(text);
  if (t.empty()) return std::string(field.length, ' ');
  std::string copy(t);
  char* end = nullptr;
  double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) badValue(field, text, "not a number");
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%*.*f", field.length, field.decimals, value);
  if (n < 0 || n > field.length) badValue(field, text, "too wide");
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string encodeLogical(const FieldInfo& field, std::string_view text) {
  std::string_view t = trimBlanks(text);
  if (t.size() == 3 && t.front() == '.' && t.back() == '.') t = t.substr(1, 1);
  if (t.empty()) return " ";
  if (t.size() == 1) {
    switch (t[0]) {
      case 'T':
      case 't':
      case 'Y':
      case 'y': return "T";
      case 'F':
      case 'f':
      case 'N':
      case 'n': return "F";
      case '?': return "?";
    }
  }
  badValue(field, text, "not a logical value (T or F)");
}

std::string encodeInteger(const FieldInfo& field, std::string_view text) {
  std::string_view t = trimBlanks(text);
  std::int32_t value = 0;
  if (!t.empty()) {
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size()) badValue(field, text, "not a 32-bit integer");
  }
  std::string out(4, '\0');
  writeLe32(out.data(), static_cast<std::uint32_t>(value));
  return out;
}

}  // namespace

std::string fieldText(const FieldInfo& field, std::string_view raw) {
  switch (field.type) {
    case 'C': {
      while (!raw.empty() && raw.back() == ' ') raw.remove_suffix(1);
      return std::string(raw);
    }
    case 'D': {
      std::string_view t = trimBlanks(raw);
      return std::string(t);
    }
    case 'I':
      if (raw.size() < 4) return {};
      return std::to_string(static_cast<std::int32_t>(readLe32(raw.data())));
    default: return std::string(trimBlanks(raw));
  }
}

std::string encodeField(const FieldInfo& field, std::string_view text) {
  switch (field.type) {
    case 'C': {
      std::string out(text.substr(0, static_cast<std::size_t>(field.length)));
      out.resize(static_cast<std::size_t>(field.length), ' ');
      return out;
    }
    case 'D': {
      std::string_view t = trimBlanks(text);
      if (t.empty()) return std::string(field.length, ' ');
      if (t.size() != 8 || !allDigits(t)) badValue(field, text, "a date is YYYYMMDD");
      return std::string(t);
    }
    case 'N':
    case 'F': return encodeNumber(field, text);
    case 'L': return encodeLogical(field, text);
    case 'I': return encodeInteger(field, text);
    default:
      throw Error(ErrorCode::Unsupported,
                  "Field " + field.name + " of type " + std::string(1, field.type) + " cannot be written");
  }
}

std::uint32_t memoBlockOf(const FieldInfo& field, std::string_view raw) {
  if (field.length == 4) return raw.size() >= 4 ? readLe32(raw.data()) : 0;
  std::string_view t = trimBlanks(raw);
  if (t.empty()) return 0;
  std::uint32_t block = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), block);
  if (ec != std::errc() || end != t.data() + t.size())
    throw Error(ErrorCode::Corrupt,
                "Memo field " + field.name + " holds a bad block number \"" + std::string(t) + "\"");
  return block;
}

std::string encodeMemoBlock(const FieldInfo& field, std::uint32_t block) {
  if (field.length == 4) {
    std::string out(4, '\0');
    writeLe32(out.data(), block);
    return out;
  }
  if (block == 0) return std::string(field.length, ' ');
  std::string digits = std::to_string(block);
  return std::string(static_cast<std::size_t>(field.length) - digits.size(), ' ') + digits;
}

std::string blankRecord(const DbfHeader& header) {
  std::string record(header.recordLength, ' ');
  for (std::size_t i = 0; i < header.fields.size(); ++i) {
    const FieldInfo& f = header.fields[i];
    const bool binary = f.type == 'I' || f.type == 'B' || f.type == 'Y' || f.type == 'T' ||
                        (f.type == 'M' && f.length == 4);
    if (binary) std::memset(record.data() + header.offsets[i], 0, static_cast<std::size_t>(f.length));
  }
  return record;
}

}  // namespace xbase
