// The index trees kept in place: random insert/remove sequences against a
// model, node split and merge boundaries, awkward keys, navigation.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "cdx_test_support.h"

using cdxtest::padded;
using xbase::CdxEntry;
using xbase::CdxFile;

namespace {

bool entryLess(const CdxEntry& a, const CdxEntry& b) {
  if (a.key != b.key) return a.key < b.key;
  return a.recno < b.recno;
}
struct EntryOrder {
  bool operator()(const CdxEntry& a, const CdxEntry& b) const { return entryLess(a, b); }
};
using Model = std::set<CdxEntry, EntryOrder>;

std::string randomKey(std::mt19937& rng, int keyLength, int alphabet) {
  std::uniform_int_distribution<int> len(0, keyLength);
  std::uniform_int_distribution<int> ch(0, alphabet - 1);
  std::string key;
  const int n = len(rng);
  for (int i = 0; i < n; ++i) {
    const int c = ch(rng);
    // Mostly letters, with blanks, high bytes and NUL mixed in.
    key.push_back(c < 26 ? static_cast<char>('A' + c) : c == 26 ? ' ' : c == 27 ? '\0' : static_cast<char>(0x80 + c));
  }
  key.resize(static_cast<std::size_t>(keyLength), ' ');
  return key;
}

void expectMatches(const CdxFile& cdx, int tag, const Model& model) {
  ASSERT_EQ(cdx.verify(tag), std::vector<std::string>{});
  const std::vector<CdxEntry> want(model.begin(), model.end());
  ASSERT_EQ(cdxtest::allEntries(cdx, tag), want);
  std::vector<CdxEntry> backwards;
  cdx.scan(tag, std::nullopt, false, [&](const CdxEntry& e) {
    backwards.push_back(e);
    return true;
  });
  std::reverse(backwards.begin(), backwards.end());
  ASSERT_EQ(backwards, want);
}

struct RandomCase {
  const char* name;
  int keyLength;
  int alphabet;  // small alphabets give many duplicates and shared prefixes
  int rounds;
  int batch;
};
// Printed by name, so that the case's name is what CTest and failures show.
void PrintTo(const RandomCase& c, std::ostream* out) { *out << c.name; }

class CdxRandomTest : public ::testing::TestWithParam<RandomCase> {};

TEST_P(CdxRandomTest, InsertsAndRemovesMatchAModel) {
  const RandomCase& c = GetParam();
  cdxtest::TempDir dir;
  std::mt19937 rng(1234u + static_cast<unsigned>(c.keyLength));
  Model model;
  {
    auto cdx = CdxFile::create(dir / "T.CDX");
    const int tag = cdx->addTag("T", "KEY", c.keyLength, std::vector<CdxEntry>{});
    std::uniform_int_distribution<std::uint32_t> recno(1, 5000);
    for (int round = 0; round < c.rounds; ++round) {
      const bool growing = round % 3 != 2;
      for (int i = 0; i < c.batch; ++i) {
        if (growing || model.empty()) {
          CdxEntry e{randomKey(rng, c.keyLength, c.alphabet), recno(rng)};
          if (model.insert(e).second) cdx->insert(tag, e.key, e.recno);
        } else {
          auto it = model.begin();
          std::advance(it, std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(rng));
          ASSERT_TRUE(cdx->remove(tag, it->key, it->recno));
          model.erase(it);
        }
      }
      expectMatches(*cdx, tag, model);
    }
    // Removing everything leaves an empty, sound tree.
    while (!model.empty()) {
      ASSERT_TRUE(cdx->remove(tag, model.begin()->key, model.begin()->recno));
      model.erase(model.begin());
    }
    expectMatches(*cdx, tag, model);
    EXPECT_FALSE(cdx->first(tag));
    for (int i = 0; i < 200; ++i) {
      CdxEntry e{randomKey(rng, c.keyLength, c.alphabet), recno(rng)};
      if (model.insert(e).second) cdx->insert(tag, e.key, e.recno);
    }
  }
  auto reopened = CdxFile::open(dir / "T.CDX", false);
  expectMatches(*reopened, 0, model);
}

INSTANTIATE_TEST_SUITE_P(Shapes, CdxRandomTest,
                         ::testing::Values(RandomCase{"names", 30, 30, 9, 400}, RandomCase{"fewLetters", 30, 3, 9, 400},
                                           RandomCase{"oneByte", 1, 30, 6, 300}, RandomCase{"longest", 240, 30, 6, 150},
                                           RandomCase{"short", 4, 30, 6, 500}));

}  // namespace
