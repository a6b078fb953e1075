#include "cardlark_db/import_line.h"

#include <algorithm>
#include <vector>

namespace cardlark::db {

namespace {

std::string unescapeMemo(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t escape = std::min(text.find('\\', i), text.size());
    out.append(text.substr(i, escape - i));  // the bytes up to the next escape, at once
    if ((i = escape) == text.size()) break;
    if (i + 1 == text.size()) throw ImportLineError("the memo ends in a lone backslash");
    switch (text[++i]) {
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case '\\': out.push_back('\\'); break;
      default:
        throw ImportLineError(std::string("unknown escape \\") + text[i] + " in the memo (known: \\n \\r \\t \\\\)");
    }
  }
  return out;
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

void checkDate(std::string_view date) {
  if (date.empty()) return;
  bool digits = date.size() == 8;
  for (char c : date) digits = digits && c >= '0' && c <= '9';
  if (!digits) throw ImportLineError("date \"" + std::string(date) + "\" is not YYYYMMDD");
  const auto number = [&](std::size_t from, std::size_t n) {
    int value = 0;
    for (const char c : date.substr(from, n)) value = value * 10 + (c - '0');
    return value;
  };
  const int year = number(0, 4), month = number(4, 2), day = number(6, 2);
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool valid = year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
                     day <= kDays[month - 1] + (month == 2 && leapYear(year) ? 1 : 0);
  if (!valid) throw ImportLineError("date \"" + std::string(date) + "\" does not exist");
}

}  // namespace

ImportEntry parseImportLine(std::string_view line, std::size_t nameWidth) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  if (parts.size() > 3)
    throw ImportLineError("more than three tab-separated fields (NAME, MEMO, DATE); a tab in the memo is written \\t");
  ImportEntry entry;
  entry.name = std::string(parts[0]);
  if (entry.name.size() > nameWidth)
    throw ImportLineError("the name has " + std::to_string(entry.name.size()) + " bytes, more than the " +
                          std::to_string(nameWidth) + " the field holds");
  if (parts.size() > 1) entry.memo = unescapeMemo(parts[1]);
  if (parts.size() > 2) entry.date = std::string(parts[2]);
  checkDate(entry.date);
  return entry;
}

}  // namespace cardlark::db
