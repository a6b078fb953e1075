#pragma once

// An entry of the address book as the table holds it: its texts in the
// table's code page (name without trailing blanks), its date as "YYYYMMDD"
// or "" for none. Every layer that moves entries (imports, exports, the
// sync, cardlark-db) passes this one struct.

#include <functional>
#include <string>

namespace book {

struct Entry {
  std::string name;
  std::string memo;
  std::string date = {};

  // Name and memo alike, whatever the dates: the same entry as far as
  // another address book can tell.
  bool sameText(const Entry& other) const { return name == other.name && memo == other.memo; }
  bool operator==(const Entry&) const = default;
};

// Calls its argument once with each entry to store, in order.
using EntrySource = std::function<void(const std::function<void(const Entry&)>& store)>;

}  // namespace book
