// Writes N synthetic entries in the cardlark-db import format to stdout.
// Usage: cardlark-gen N [SEED] [AVERAGE_MEMO_BYTES] [--plant P PAIRS_FILE]
// --plant makes every name unique and plants P known duplicates among the
// N entries, each of a random one of the 1,000 entries before it; the
// pairs go to PAIRS_FILE as "ORIGINAL DUPLICATE" line numbers (the record
// numbers once imported into an empty table).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

#include "entry_generator.h"

int main(int argc, char** argv) {
  std::vector<char*> positional;
  long planted = 0;
  std::ofstream pairs;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plant") == 0 && i + 2 < argc) {
      planted = std::atol(argv[++i]);
      pairs.open(argv[++i]);
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.empty() || (planted > 0 && !pairs)) {
    std::cerr << "usage: cardlark-gen N [SEED] [AVERAGE_MEMO_BYTES] [--plant P PAIRS_FILE]\n";
    return 2;
  }
  long count = std::atol(positional[0]);
  std::uint64_t seed = positional.size() > 1 ? std::strtoull(positional[1], nullptr, 10) : 20261207;
  int average = positional.size() > 2 ? std::atoi(positional[2]) : 300;
  bench::EntryGenerator generator(seed, average);
  if (planted > 0) generator.makeNamesUnique();
  // The last entries written, by line number modulo their count.
  constexpr long kRecent = 1000;
  std::vector<bench::Entry> recent(kRecent);
  const long stride = planted > 0 ? std::max(2L, count / planted) : 0;
  long plantedSoFar = 0;
  std::ios::sync_with_stdio(false);
  for (long line = 1; line <= count; ++line) {
    bench::Entry entry;
    if (plantedSoFar < planted && line % stride == 0) {
      const long original = std::max(1L, line - 1 - static_cast<long>(std::rand() % std::min(line - 1, kRecent)));
      entry = generator.duplicateOf(recent[original % kRecent], static_cast<int>(plantedSoFar++));
      pairs << original << ' ' << line << '\n';
    } else {
      entry = generator.next();
    }
    std::cout << bench::importLine(entry) << '\n';
    recent[line % kRecent] = std::move(entry);
  }
  return 0;
}
