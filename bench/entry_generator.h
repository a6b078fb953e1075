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

 private:
  std::string personName();
  std::string firmName();
  std::string phoneNumber();
  std::string emailAddress(const std::string& name);
  std::string webAddress();
  std::string noteLine();
  std::string memo(const std::string& name);
  int pick(int n);

  std::mt19937_64 random_;
  int averageMemoBytes_;
};

// One line of the cardlark-db import format: NAME, tab, MEMO with newline,
// carriage return, tab and backslash escaped, tab, DATE.
std::string importLine(const Entry& entry);

}  // namespace bench
