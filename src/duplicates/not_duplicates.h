#pragma once

// The pairs of entries the user has said are two people, kept beside the
// table in ADDRESS.notdup so that the duplicate finder's caller does not
// offer them again. A pair is known by the two names' keys (name_key.h):
// record numbers change with every pack, names are unique in the table, and
// an entry renamed since is a new question worth asking.
//
// The file: the line "cardlark not-duplicates 1", then one line per pair,
// the two keys in the table's bytes separated by a tab, the smaller first,
// with backslash, tab, line feed and carriage return written as \\, \t, \n
// and \r (a name can hold a line break). It is replaced as a whole: written
// beside, flushed and renamed over the old one, so a failed save keeps the
// old file.

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace duplicates {

// "ADDRESS.notdup" beside the table `dbf` (its name without the extension).
std::filesystem::path notDuplicatesPath(const std::filesystem::path& dbf);

class NotDuplicates {
 public:
  // The pairs in `file`; none when it does not exist. Error (std::runtime_error)
  // naming the file when it is not a regular file, is larger than 16 MiB,
  // or does not start with the line above.
  static NotDuplicates load(const std::filesystem::path& file);

  bool contains(std::string_view name1, std::string_view name2) const;
  void add(std::string_view name1, std::string_view name2);
  std::size_t size() const { return pairs_.size(); }

  // Replaces `file` with the pairs held; the error of the write that failed.
  void save(const std::filesystem::path& file) const;

 private:
  static std::pair<std::string, std::string> keyOf(std::string_view name1, std::string_view name2);
  std::set<std::pair<std::string, std::string>> pairs_;
};

}  // namespace duplicates
