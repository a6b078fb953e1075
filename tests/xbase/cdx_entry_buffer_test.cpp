// The bulk build's entry buffer: sorted output in memory and through
// merged temporary runs when its memory budget is reached.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "xbase/cdx/cdx_entry_buffer.h"
#include "xbase/error.h"

namespace {

using Entry = std::pair<std::string, std::uint32_t>;

std::vector<Entry> sortedThrough(xbase::cdx::EntryBuffer& buffer, const std::vector<Entry>& input) {
  for (const auto& [key, recno] : input) buffer.add(key, recno);
  std::vector<Entry> out;
  buffer.forEachSorted([&](std::string_view key, std::uint32_t recno) { out.emplace_back(std::string(key), recno); });
  return out;
}

std::vector<Entry> randomEntries(std::size_t n, std::size_t keyLength) {
  std::mt19937 rng(42);
  std::vector<Entry> out;
  for (std::size_t i = 0; i < n; ++i) {
    std::string key(keyLength, ' ');
    // Few distinct bytes: long shared prefixes and many equal keys, so
    // ties on the 8-byte sort prefix and on the whole key are common.
    for (char& c : key) c = "AB \xFF\x00"[rng() % 5];
    out.emplace_back(std::move(key), static_cast<std::uint32_t>(rng() % 1000000));
  }
  return out;
}

struct BufferCase {
  const char* name;
  std::size_t entries;
  std::size_t keyLength;
  std::size_t budget;
  bool spills;
};
// Printed by name, so that the case's name is what CTest and failures show.
void PrintTo(const BufferCase& c, std::ostream* out) { *out << c.name; }

class CdxEntryBufferTest : public ::testing::TestWithParam<BufferCase> {};

TEST_P(CdxEntryBufferTest, HandsOutEveryEntryInOrder) {
  const BufferCase& c = GetParam();
  const std::vector<Entry> input = randomEntries(c.entries, c.keyLength);
  xbase::cdx::EntryBuffer buffer(static_cast<int>(c.keyLength), c.budget);
  const std::vector<Entry> got = sortedThrough(buffer, input);
  EXPECT_EQ(buffer.runCount() > 0, c.spills);
  std::vector<Entry> want = input;
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CdxEntryBufferTest,
    ::testing::Values(BufferCase{"empty", 0, 30, xbase::cdx::EntryBuffer::kDefaultBudget, false},
                      BufferCase{"inMemory", 5000, 3, xbase::cdx::EntryBuffer::kDefaultBudget, false},
                      BufferCase{"threeRuns", 120000, 20, 0, true}, BufferCase{"longKeysInRuns", 60000, 40, 0, true}));

TEST(CdxEntryBufferTest, RefusesKeysOfAnotherLength) {
  xbase::cdx::EntryBuffer buffer(10);
  EXPECT_THROW(buffer.add("SHORT", 1), xbase::Error);
}

}  // namespace
