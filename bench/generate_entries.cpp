// Writes N synthetic entries in the cardlark-db import format to stdout.
// Usage: cardlark-gen N [SEED] [AVERAGE_MEMO_BYTES]
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "entry_generator.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: cardlark-gen N [SEED] [AVERAGE_MEMO_BYTES]\n";
    return 2;
  }
  long count = std::atol(argv[1]);
  std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261207;
  int average = argc > 3 ? std::atoi(argv[3]) : 300;
  bench::EntryGenerator generator(seed, average);
  std::ios::sync_with_stdio(false);
  for (long i = 0; i < count; ++i) std::cout << bench::importLine(generator.next()) << '\n';
  return 0;
}
