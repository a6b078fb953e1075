#include "xbase/field_list.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "xbase/dbf_text.h"
#include "xbase/error.h"

namespace xbase {
namespace {

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  for (;;) {
    auto at = s.find(sep);
    parts.push_back(trimBlanks(s.substr(0, at)));
    if (at == std::string_view::npos) return parts;
    s.remove_prefix(at + 1);
  }
}

[[noreturn]] void bad(std::string_view entry, const std::string& why) {
  throw Error(ErrorCode::Argument, "Field list entry \"" + std::string(entry) + "\": " + why);
}

char typeLetter(std::string_view entry, std::string_view word) {
  const std::string w = asciiUpper(word);
  if (w == "C" || w == "CHAR" || w == "CHARACTER") return 'C';
  if (w == "M" || w == "MEMO") return 'M';
  if (w == "D" || w == "DATE") return 'D';
  if (w == "N" || w == "NUMERIC") return 'N';
  if (w == "L" || w == "LOGICAL") return 'L';
  if (w == "I" || w == "INTEGER") return 'I';
  bad(entry, "unknown type \"" + std::string(word) + "\"");
}

int number(std::string_view entry, std::string_view text, int low, int high, const char* what) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
    bad(entry, std::string(what) + " must be a number from " + std::to_string(low) + " to " + std::to_string(high));
  return value;
}

bool validName(std::string_view name) {
  if (name.empty() || name.size() > 10) return false;
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!letter(name[0])) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '_'; });
}

FieldInfo parseEntry(std::string_view entry) {
  auto parts = split(entry, ',');
  if (parts.size() < 2 || parts.size() > 4) bad(entry, "expected name, type and width");
  if (!validName(parts[0])) bad(entry, "a name is 1 to 10 letters, digits or _, starting with a letter");
  FieldInfo field;
  field.name = asciiUpper(parts[0]);
  field.type = typeLetter(entry, parts[1]);
  auto fixedWidth = [&](int width) {
    if (parts.size() > 2 && number(entry, parts[2], width, width, "the width") != width) bad(entry, "bad width");
    if (parts.size() > 3) bad(entry, "this type has no decimals");
    field.length = width;
  };
  switch (field.type) {
    case 'C':
      if (parts.size() != 3) bad(entry, "a character field needs a width");
      field.length = number(entry, parts[2], 1, 254, "the width");
      break;
    case 'N':
      if (parts.size() < 3) bad(entry, "a numeric field needs a width");
      field.length = number(entry, parts[2], 1, 20, "the width");
      if (parts.size() == 4) field.decimals = number(entry, parts[3], 0, std::max(0, field.length - 2), "decimals");
      break;
    case 'M': fixedWidth(10); break;
    case 'D': fixedWidth(8); break;
    case 'L': fixedWidth(1); break;
    case 'I': fixedWidth(4); break;
  }
  return field;
}

}  // namespace

std::vector<FieldInfo> parseFieldList(std::string_view list) {
  std::vector<FieldInfo> fields;
  for (std::string_view entry : split(list, ';')) {
    if (entry.empty()) continue;
    FieldInfo field = parseEntry(entry);
    for (const auto& other : fields)
      if (other.name == field.name) bad(entry, "the name is used twice");
    fields.push_back(std::move(field));
  }
  if (fields.empty()) throw Error(ErrorCode::Argument, "The field list holds no field");
  if (fields.size() > 255) throw Error(ErrorCode::Argument, "A table holds at most 255 fields");
  return fields;
}

}  // namespace xbase
