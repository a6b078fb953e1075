// Index files written by another xBase engine: read in their order, and
// maintained in place on copies without losing soundness.

#include <gtest/gtest.h>

#include <fstream>

#include "cdx_test_support.h"
#include "xbase/dbf_text.h"

using xbase::CdxEntry;
using xbase::CdxFile;

namespace {

const std::filesystem::path kFixtures = std::filesystem::path(CARDLARK_FIXTURES_DIR) / "xbase";

// The entries the other engine's dump implies, in its order: record number
// (first column) and upper(Name) (third column, upper-cased a-z only, padded).
std::vector<CdxEntry> dumpEntries(const std::filesystem::path& dump) {
  std::ifstream in(dump, std::ios::binary);
  std::vector<CdxEntry> out;
  for (std::string line; std::getline(in, line);) {
    const std::size_t nameStart = line.find('\t', line.find('\t') + 1) + 1;
    const std::string key = xbase::asciiUpper(line.substr(nameStart, line.find('\t', nameStart) - nameStart));
    out.push_back({cdxtest::padded(key), static_cast<std::uint32_t>(std::stoul(line))});
  }
  return out;
}

class CdxForeignTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(kFixtures / GetParam() / "ADDRESS.CDX", dir / "ADDRESS.CDX");
    std::filesystem::permissions(dir / "ADDRESS.CDX", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }
  cdxtest::TempDir dir;
};

TEST_P(CdxForeignTest, ReadsTheTagInTheOtherEnginesOrder) {
  auto cdx = CdxFile::open(dir / "ADDRESS.CDX", false);
  ASSERT_EQ(cdx->tagCount(), 1);
  EXPECT_EQ(cdx->tag(0).name, "ADDRESS");
  EXPECT_EQ(cdx->tag(0).expression, "upper(Name)");
  EXPECT_EQ(cdx->tag(0).keyLength, 30);
  EXPECT_EQ(cdx->findTag("address"), 0);
  EXPECT_EQ(cdx->verify(0), std::vector<std::string>{});
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0), dumpEntries(kFixtures / GetParam() / "address-order.dump"));
}

TEST_P(CdxForeignTest, StaysSoundAndOrderedUnderMaintenance) {
  auto cdx = CdxFile::open(dir / "ADDRESS.CDX", true);
  std::vector<CdxEntry> model = cdxtest::allEntries(*cdx, 0);
  const std::uint64_t sizeBefore = std::filesystem::file_size(dir / "ADDRESS.CDX");
  std::mt19937 rng(7);
  // Remove every third entry, then insert new keys among the old ones,
  // including exact duplicates of existing keys.
  for (std::size_t i = 0; i < model.size(); i += 3) ASSERT_TRUE(cdx->remove(0, model[i].key, model[i].recno));
  std::vector<CdxEntry> kept;
  for (std::size_t i = 0; i < model.size(); ++i)
    if (i % 3 != 0) kept.push_back(model[i]);
  std::uint32_t recno = 100000;
  for (std::size_t i = 0; i < model.size(); i += 2) {
    CdxEntry copy{model[i].key, recno++};
    CdxEntry variant{model[rng() % model.size()].key, recno++};
    variant.key[rng() % 30] = static_cast<char>('A' + rng() % 26);
    for (const CdxEntry& e : {copy, variant}) {
      cdx->insert(0, e.key, e.recno);
      kept.push_back(e);
    }
  }
  std::sort(kept.begin(), kept.end(),
            [](const CdxEntry& a, const CdxEntry& b) { return a.key != b.key ? a.key < b.key : a.recno < b.recno; });
  EXPECT_EQ(cdx->verify(0), std::vector<std::string>{});
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0), kept);
  // In place: the file grew by new nodes only, not by a second copy.
  EXPECT_LT(std::filesystem::file_size(dir / "ADDRESS.CDX"), sizeBefore * 3);
  auto reopened = CdxFile::open(dir / "ADDRESS.CDX", false);
  EXPECT_EQ(cdxtest::allEntries(*reopened, 0), kept);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CdxForeignTest, ::testing::Values("foreign-300", "foreign-1000"),
                         [](const auto& info) { return std::string(info.param).substr(8); });

}  // namespace
