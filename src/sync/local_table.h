#pragma once

// The address book as the sync sees it: entries by name key, read once,
// then written one at a time through the book (shared, each edit holding
// its record lock like the window's writers, dated by the book's clock).

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "book/address_book.h"
#include "book/entry.h"
#include "book/name_key.h"

namespace carddav {

using book::Entry;
using book::nameKey;

class LocalTable {
 public:
  // Opens the table shared; a table held exclusively by someone else
  // throws the engine's error.
  explicit LocalTable(const std::filesystem::path& dbf);

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
  const codepage::CodePage& codePage() const { return book_.codePage(); }

  // Each returns the key the entry is now known by.
  std::string add(const Entry& entry);
  std::string replace(const std::string& key, const Entry& entry);
  void remove(const std::string& key);

 private:
  book::AddressBook book_;
  std::map<std::string, Row> rows_;
  std::vector<std::string> sharedNames_;
};

}  // namespace carddav
