#pragma once

// The address table as the sync sees it: entries by name key, read once,
// then written one record at a time through a shared open (each edit holds
// its record lock, like the window's writers).

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace xbase { class Cursor; }

namespace carddav {

// An entry as the table holds it: single-byte text, the name without
// trailing blanks.
struct Entry {
  std::string name;
  std::string memo;
  bool operator==(const Entry&) const = default;
};

// The key the state file knows an entry by: its name upper-cased.
std::string nameKey(const std::string& name);

class LocalTable {
 public:
  // Opens the table shared; a table held exclusively by someone else
  // throws the engine's error.
  explicit LocalTable(const std::filesystem::path& dbf);
  ~LocalTable();

  struct Row {
    std::uint32_t recno = 0;
    Entry entry;
  };
  // The entries that are not deleted, by name key.
  const std::map<std::string, Row>& rows() const { return rows_; }
  bool has(const std::string& key) const { return rows_.count(key) > 0; }
  // Names of entries left out of rows() because an earlier record holds
  // the same name key (a table filled before the duplicate rule held).
  const std::vector<std::string>& sharedNames() const { return sharedNames_; }

  // Each returns the key the entry is now known by.
  std::string add(const Entry& entry);
  std::string replace(const std::string& key, const Entry& entry);
  void remove(const std::string& key);

 private:
  void write(const Entry& entry);

  std::unique_ptr<xbase::Cursor> cursor_;
  int name_ = -1, memo_ = -1, date_ = -1;
  std::map<std::string, Row> rows_;
  std::vector<std::string> sharedNames_;
};

}  // namespace carddav
