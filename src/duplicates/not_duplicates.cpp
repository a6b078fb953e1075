#include "duplicates/not_duplicates.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "book/name_key.h"
#include "zip/replacement_file.h"

namespace duplicates {

namespace {

constexpr char kFirstLine[] = "cardlark not-duplicates 1";
constexpr std::uintmax_t kLargestFile = 16u << 20;

void appendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

std::string unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

[[noreturn]] void refuse(const std::filesystem::path& file, const std::string& why) {
  throw std::runtime_error("Cannot read " + file.string() + ": " + why);
}

}  // namespace

std::filesystem::path notDuplicatesPath(const std::filesystem::path& dbf) {
  return dbf.parent_path() / (dbf.stem().string() + ".notdup");
}

std::pair<std::string, std::string> NotDuplicates::keyOf(std::string_view name1, std::string_view name2) {
  std::string a = book::nameKey(name1), b = book::nameKey(name2);
  if (b < a) a.swap(b);
  return {std::move(a), std::move(b)};
}

bool NotDuplicates::contains(std::string_view name1, std::string_view name2) const {
  return pairs_.count(keyOf(name1, name2)) != 0;
}

void NotDuplicates::add(std::string_view name1, std::string_view name2) { pairs_.insert(keyOf(name1, name2)); }

NotDuplicates NotDuplicates::load(const std::filesystem::path& file) {
  NotDuplicates loaded;
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (!std::filesystem::exists(status)) return loaded;
  if (!std::filesystem::is_regular_file(status)) refuse(file, "not a regular file");
  if (std::filesystem::file_size(file) > kLargestFile) refuse(file, "larger than 16 MiB");
  std::ifstream in(file, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  if (!in.good() && !in.eof()) refuse(file, "read error");
  std::string_view rest(bytes);
  bool first = true;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (std::exchange(first, false)) {
      if (line != kFirstLine) refuse(file, "not a list of entries that are not duplicates");
      continue;
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;  // a line cut short by hand: nothing to learn from it
    loaded.pairs_.emplace(unescaped(line.substr(0, tab)), unescaped(line.substr(tab + 1)));
  }
  if (first) refuse(file, "empty");
  return loaded;
}

void NotDuplicates::save(const std::filesystem::path& file) const {
  std::string out = std::string(kFirstLine) + '\n';
  for (const auto& [a, b] : pairs_) {
    appendEscaped(out, a);
    out += '\t';
    appendEscaped(out, b);
    out += '\n';
  }
  zip::ReplacementFile replacement(file.string());
  replacement.write(out);
  replacement.commit();
}

}  // namespace duplicates
