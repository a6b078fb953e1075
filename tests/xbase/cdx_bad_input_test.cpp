// Damaged index files: every kind of impossible value gives a clear
// Error(Corrupt), never a crash, a hang or a read outside a buffer.

#include <gtest/gtest.h>

#include <functional>

#include "cdx_test_support.h"

using xbase::CdxEntry;
using xbase::CdxFile;
using xbase::Error;
using xbase::ErrorCode;
using namespace cdxtest;

namespace {

// Opens, walks every tag both ways, seeks and verifies.
void useFully(const std::filesystem::path& path) {
  auto cdx = CdxFile::open(path, false);
  for (int tag = 0; tag < cdx->tagCount(); ++tag) {
    cdxtest::allEntries(*cdx, tag);
    cdx->scan(tag, std::nullopt, false, [](const CdxEntry&) { return true; });
    cdx->seekGE(tag, "M");
    if (auto last = cdx->last(tag)) cdx->prev(tag, *last);
    cdx->verify(tag);
  }
}

// A sound file with a three-level tree in a tag whose header follows the
// tag directory (header at 1536, root pointer in its first four bytes).
class CdxBadInputTest : public ::testing::Test {
 protected:
  static constexpr std::size_t kTagHeader = 1536;

  void SetUp() override {
    std::vector<CdxEntry> entries;
    for (std::uint32_t i = 1; i <= 1000; ++i)
      entries.push_back({cdxtest::padded(std::to_string(i * 7919 % 1001) + " NAME"), i});
    CdxFile::create(path)->addTag("ADDRESS", "UPPER(NAME)", 30, entries);
    good = readFile(path);
    root = le32(good, kTagHeader);
    firstChild = be32(good, root + 12 + 30 + 4);
    firstLeaf = be32(good, firstChild + 12 + 30 + 4);
    ASSERT_EQ(good[root] & 2, 0);
    ASSERT_EQ(good[firstChild] & 2, 0);
    ASSERT_EQ(good[firstLeaf] & 2, 2);
  }

  void expectCorrupt(const std::function<void(std::string&)>& damage) {
    std::string bytes = good;
    damage(bytes);
    writeFile(path, bytes);
    try {
      useFully(path);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Corrupt) << e.what();
      EXPECT_NE(std::string(e.what()).find("Index"), std::string::npos) << e.what();
    }
  }

  cdxtest::TempDir dir;
  std::filesystem::path path = dir / "T.CDX";
  std::string good;
  std::uint32_t root = 0, firstChild = 0, firstLeaf = 0;
};

TEST_F(CdxBadInputTest, SoundFileIsSound) { useFully(path); }

TEST_F(CdxBadInputTest, TruncatedFiles) {
  expectCorrupt([](std::string& b) { b.clear(); });
  expectCorrupt([](std::string& b) { b.resize(700); });
  expectCorrupt([](std::string& b) { b.resize(1200); });
  expectCorrupt([this](std::string& b) { b.resize(firstLeaf + 100); });
}

TEST_F(CdxBadInputTest, ImpossibleHeaderValues) {
  expectCorrupt([](std::string& b) { b[12] = 0, b[13] = 0; });                         // directory key length 0
  expectCorrupt([](std::string& b) { b[kTagHeader + 12] = static_cast<char>(241); });  // tag key length 241
  expectCorrupt([](std::string& b) { b[kTagHeader + 14] = 0; });                       // not compact
  expectCorrupt([](std::string& b) { b[kTagHeader + 511] = 0x02; });                   // expression past its pool
  expectCorrupt([](std::string& b) { putLe32(b, 0, 1 << 30); });                       // directory root past the end
  expectCorrupt([](std::string& b) { putLe32(b, kTagHeader, 0x700); });  // tag root not on a node boundary
  expectCorrupt([](std::string& b) { putLe32(b, kTagHeader, 0); });      // tag root inside the file header
}

TEST_F(CdxBadInputTest, ImpossibleNodes) {
  expectCorrupt([this](std::string& b) { b[firstLeaf] = 9; });                            // attributes
  expectCorrupt([this](std::string& b) { b[firstLeaf + 2] = static_cast<char>(0xFF); });  // key count
  expectCorrupt([this](std::string& b) { b[firstLeaf + 20] = 60; });                      // record-number bits
  expectCorrupt([this](std::string& b) { b[firstLeaf + 23] = 0; });                       // entry bytes
  expectCorrupt([this](std::string& b) { b[root + 2] = 0, b[root + 3] = 0; });            // interior without keys
  expectCorrupt([this](std::string& b) {                                                  // counts beyond the key
    for (std::size_t i = 0; i < 3; ++i) b[firstLeaf + 24 + i] = static_cast<char>(0xFF);
  });
}

TEST_F(CdxBadInputTest, CyclicPointers) {
  expectCorrupt([this](std::string& b) { putBe32(b, firstChild + 12 + 30 + 4, root); });  // child points at the root
  expectCorrupt([this](std::string& b) { putBe32(b, root + 12 + 30 + 4, root); });        // root is its own child
  expectCorrupt([this](std::string& b) { putLe32(b, firstLeaf + 8, firstLeaf); });  // leaf is its own right sibling
  expectCorrupt([this](std::string& b) { putLe32(b, firstLeaf + 8, 1u << 31); });   // sibling past the end
}

// Every byte of the headers and of one node of each level, set to a few
// telling values: whatever the walk makes of it, only xbase::Error escapes.
TEST_F(CdxBadInputTest, SingleByteDamageNeverCrashes) {
  // Node headers byte by byte, the rest sampled.
  std::vector<std::size_t> positions;
  for (std::size_t node :
       {std::size_t{0}, kTagHeader, std::size_t{root}, std::size_t{firstChild}, std::size_t{firstLeaf}})
    for (std::size_t at = node; at < node + 512; at += at < node + 32 ? 1 : 7) positions.push_back(at);
  for (std::size_t at = 1024 - 12; at < 1024; ++at) positions.push_back(at);
  writeFile(path, good);
  int errors = 0;
  for (std::size_t at : positions)
    for (char value : {'\x00', '\x7F', '\xFF'}) {
      patch(path, at, std::string(1, value));
      try {
        useFully(path);
      } catch (const Error&) {
        ++errors;
      }
      patch(path, at, good.substr(at, 1));
    }
  EXPECT_GT(errors, 50);
}

}  // namespace
