#pragma once

// Synthetic, realistic address-book entries for benchmarks: names of people
// and firms, memos with phone numbers, e-mail and web addresses and notes.
// Deterministic for a given seed, so runs can be compared.

#include <cstdint>
#include <random>
#include <string>

namespace bench {

struct Entry {
  std::string name;      // at most 30 bytes
  std::string memo;      // 0 to about 4,000 bytes, lines separated by "\r\n"
  std::string lastDate;  // "YYYYMMDD"
};

class EntryGenerator {
 public:
  explicit EntryGenerator(std::uint64_t seed = 20261207, int averageMemoBytes = 300);
  Entry next();

  // From now on every name (and e-mail address) is unique: a made-up
  // surname of four syllables, counted up, joins each name. Names drawn
  // from the short lists alone repeat often in a large table, and a
  // duplicate finder's planted pairs must stand out from them.
  void makeNamesUnique() { uniqueNames_ = true; }
  // Another entry of the person `original` (generated with unique names),
  // as imports, syncs and typing leave them; `variant` picks the way,
  // counting round: "First Last" for "Last, First", a " (2)" or
  // " (server)" suffix, the name upper-cased, or another name with the
  // same phone number written "+1 206 555 1234" or the same e-mail
  // address upper-cased. A way the original cannot take (no comma, no
  // room for the suffix, no number) gives the upper-cased name.
  Entry duplicateOf(const Entry& original, int variant);

 private:
  std::string personName();
  std::string firmName();
  std::string phoneNumber();
  std::string emailAddress(const std::string& name);
  std::string webAddress();
  std::string noteLine();
  std::string memo(const std::string& name);
  int pick(int n);
  std::string uniqueWord();

  bool uniqueNames_ = false;
  std::uint64_t serial_ = 0;

  std::mt19937_64 random_;
  int averageMemoBytes_;
};

// One line of the cardlark-db import format: NAME, tab, MEMO with newline,
// carriage return, tab and backslash escaped, tab, DATE.
std::string importLine(const Entry& entry);

}  // namespace bench
