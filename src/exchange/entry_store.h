#pragma once

// Storing the entries of an import: the table opened exclusively when no
// one else has it open (shared alongside a running address book), the
// entries appended all or none, a large import appended without per-record
// index updates. Every import shares it: the commands of cardlark-db and a
// file dropped on the window.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace exchange {

// A new entry in the table's bytes.
struct NewEntry {
  std::string name;
  std::string memo;
  std::string date;  // "YYYYMMDD" or ""
};

// Calls its argument once with each entry to store, in order.
using EntrySource = std::function<void(const std::function<void(const NewEntry&)>& store)>;

// Appends the `count` entries of `source` to the address table `dbf` and
// returns the record number of the first one (0 when none was given). On
// any failure whatever was stored is taken back and the error says
// "nothing was imported".
std::uint32_t storeEntries(const std::filesystem::path& dbf, std::uint32_t count, const EntrySource& source);

}  // namespace exchange
