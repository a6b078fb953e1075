// The index file's interface: searching semantics, several tags, handles
// sharing one file, rebuilding, node reuse and refused calls.

#include <gtest/gtest.h>

#include "cdx_test_support.h"

using cdxtest::padded;
using xbase::CdxEntry;
using xbase::CdxFile;
using xbase::Error;
using xbase::ErrorCode;

namespace {

CdxEntry entry(const std::string& name, std::uint32_t recno, std::size_t length = 10) {
  return {padded(name, length), recno};
}

class CdxFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<CdxFile> createWith(const std::vector<CdxEntry>& entries, int keyLength = 10) {
    auto cdx = CdxFile::create(path);
    cdx->addTag("NAMES", "UPPER(NAME)", keyLength, entries);
    return cdx;
  }
  std::size_t fileSize() const { return std::filesystem::file_size(path); }

  cdxtest::TempDir dir;
  std::filesystem::path path = dir / "T.CDX";
};

TEST_F(CdxFileTest, SeekFindsTheFirstKeyNotBelowAPrefix) {
  auto cdx = createWith({entry("MA", 4), entry("MB", 2), entry("N", 3), entry("M", 5), entry("", 9)});
  struct Case {
    std::string probe;
    std::optional<std::uint32_t> recno;
  } cases[] = {{"", 9},
               {"M", 5},
               {"M ", 5},
               {"MA", 4},
               {"MAA", 2},
               {"MZ", 3},
               {"N", 3},
               {"NA", std::nullopt},
               {padded("MA", 10), 4},
               {padded("MA", 10) + "X", 2},
               {padded("MA", 30), 2}};
  for (const Case& c : cases) {
    const auto found = cdx->seekGE(0, c.probe);
    EXPECT_EQ(found ? std::optional(found->recno) : std::nullopt, c.recno) << "probe \"" << c.probe << "\"";
  }
}

TEST_F(CdxFileTest, NeighboursOfEntriesThatAreGoneOrDuplicated) {
  std::vector<CdxEntry> entries{entry("A", 1), entry("B", 2), entry("C", 3)};
  for (std::uint32_t r = 10; r < 15; ++r) entries.push_back(entry("D", r));
  auto cdx = createWith(entries);
  cdx->insert(0, padded("D", 10), 12);  // already there: no second copy
  ASSERT_TRUE(cdx->remove(0, padded("B", 10), 2));
  EXPECT_FALSE(cdx->remove(0, padded("B", 10), 2));
  EXPECT_FALSE(cdx->contains(0, padded("B", 10), 2));
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0).size(), 7u);
  EXPECT_EQ(cdx->next(0, entry("B", 2)), entry("C", 3));
  EXPECT_EQ(cdx->prev(0, entry("B", 2)), entry("A", 1));
  EXPECT_EQ(cdx->next(0, entry("D", 12)), entry("D", 13));
  EXPECT_EQ(cdx->prev(0, entry("D", 10)), entry("C", 3));
  EXPECT_EQ(cdx->lowerBound(0, padded("D", 10), 0), entry("D", 10));
  EXPECT_EQ(cdx->next(0, entry("D", 14)), std::nullopt);
  EXPECT_EQ(cdx->prev(0, entry("A", 1)), std::nullopt);
  EXPECT_EQ(cdx->last(0), entry("D", 14));
  std::vector<std::uint32_t> fromC;
  cdx->scan(0, entry("C", 3), true, [&](const CdxEntry& e) { return fromC.push_back(e.recno), fromC.size() < 3; });
  EXPECT_EQ(fromC, (std::vector<std::uint32_t>{3, 10, 11}));
  std::vector<std::uint32_t> downFromD11;
  cdx->scan(0, entry("D", 11), false, [&](const CdxEntry& e) { return downFromD11.push_back(e.recno), true; });
  EXPECT_EQ(downFromD11, (std::vector<std::uint32_t>{11, 10, 3, 1}));
}

TEST_F(CdxFileTest, ThousandsOfIdenticalKeysStayInRecordOrder) {
  auto cdx = createWith({});
  std::mt19937 rng(3);
  std::vector<std::uint32_t> recnos(4000);
  for (std::uint32_t i = 0; i < recnos.size(); ++i) recnos[i] = i * 3 + 1;
  std::shuffle(recnos.begin(), recnos.end(), rng);
  for (std::uint32_t r : recnos) cdx->insert(0, padded("SAME", 10), r);
  for (std::size_t i = 0; i < recnos.size(); i += 2) ASSERT_TRUE(cdx->remove(0, padded("SAME", 10), recnos[i]));
  std::vector<std::uint32_t> kept;
  for (std::size_t i = 1; i < recnos.size(); i += 2) kept.push_back(recnos[i]);
  std::sort(kept.begin(), kept.end());
  std::vector<std::uint32_t> got;
  cdx->forEach(0, [&](const CdxEntry& e) { got.push_back(e.recno); });
  EXPECT_EQ(got, kept);
  EXPECT_EQ(cdx->verify(0), std::vector<std::string>{});
  EXPECT_EQ(cdx->lowerBound(0, padded("SAME", 10), kept[100] - 1)->recno, kept[100]);
}

TEST_F(CdxFileTest, HandlesOnOneFileSeeEachOthersChangesAtOnce) {
  auto writer = createWith({entry("B", 2)});
  auto reader = CdxFile::open(path, false);
  std::mt19937 rng(11);
  for (std::uint32_t i = 0; i < 2000; ++i) writer->insert(0, padded(std::to_string(rng()), 10), i + 10);
  // Programs that cache nodes watch the header's change counter.
  const auto counters = [&] {
    const std::string bytes = cdxtest::readFile(path);
    return std::pair(cdxtest::le32(bytes, 8), cdxtest::le32(bytes, 1536 + 8));
  };
  const auto before = counters();
  writer->insert(0, padded("A", 10), 1);
  EXPECT_EQ(counters(), std::pair(before.first + 1, before.second + 1));
  EXPECT_EQ(reader->seekGE(0, "A"), entry("A", 1));
  EXPECT_EQ(reader->verify(0), std::vector<std::string>{});
  ASSERT_TRUE(writer->remove(0, padded("A", 10), 1));
  EXPECT_EQ(reader->seekGE(0, "A"), entry("B", 2));
  EXPECT_EQ(cdxtest::allEntries(*reader, 0), cdxtest::allEntries(*writer, 0));
}

// Between a leaf split's writes and its parent's, the parent still covers
// the moved entries with the left half; readers must find them along the
// sibling link, going backwards as well as forwards.
TEST_F(CdxFileTest, ReadersFindEntriesOfASplitWhoseParentIsNotWrittenYet) {
  std::vector<CdxEntry> entries;
  for (std::uint32_t i = 0; i < 120; ++i)
    entries.push_back(entry("K" + std::to_string(1000 + i * 37 % 120), i + 1, 30));
  createWith(entries, 30).reset();
  std::sort(entries.begin(), entries.end(), [](const CdxEntry& a, const CdxEntry& b) { return a.key < b.key; });
  // Drop the root's last child and let its left neighbour's entry stand for it.
  std::string bytes = cdxtest::readFile(path);
  const std::uint32_t root = cdxtest::le32(bytes, 1536);
  const auto count = static_cast<unsigned char>(bytes[root + 2]);
  ASSERT_GE(count, 2);
  ASSERT_EQ(bytes[root] & 2, 0);
  const std::size_t entrySize = 30 + 8;
  const std::size_t lastAt = root + 12 + (count - 1u) * entrySize;
  bytes.replace(lastAt - entrySize, 34, bytes.substr(lastAt, 34));
  bytes[root + 2] = static_cast<char>(count - 1);
  cdxtest::writeFile(path, bytes);

  auto cdx = CdxFile::open(path, false);
  EXPECT_FALSE(cdx->verify(0).empty());
  EXPECT_EQ(cdx->last(0), entries.back());
  EXPECT_EQ(cdx->prev(0, entries.back()), entries[entries.size() - 2]);
  EXPECT_EQ(cdx->seekGE(0, entries.back().key), entries.back());
  std::vector<CdxEntry> backwards;
  cdx->scan(0, std::nullopt, false, [&](const CdxEntry& e) { return backwards.push_back(e), true; });
  std::reverse(backwards.begin(), backwards.end());
  EXPECT_EQ(backwards, entries);
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0), entries);
}

TEST_F(CdxFileTest, SeveralTagsKeepTheirNumbersNamesAndShapes) {
  {
    auto cdx = CdxFile::create(path);
    EXPECT_EQ(cdx->addTag("zeta", "NAME", 30, {entry("X", 1, 30)}), 0);
    EXPECT_EQ(cdx->addTag("Alpha", "DTOS(LASTDATE)", 8, {entry("20260101", 1, 8)}), 1);
    EXPECT_EQ(cdx->addTag("M_2", "UPPER(NAME)", 240, std::vector<CdxEntry>{}), 2);
    cdx->insert(1, "19991231", 2);
  }
  auto cdx = CdxFile::open(path, false);
  ASSERT_EQ(cdx->tagCount(), 3);
  EXPECT_EQ(cdx->tag(0).name, "ZETA");
  EXPECT_EQ(cdx->tag(1).name, "ALPHA");
  EXPECT_EQ(cdx->tag(1).expression, "DTOS(LASTDATE)");
  EXPECT_EQ(cdx->tag(1).keyLength, 8);
  EXPECT_EQ(cdx->tag(2).keyLength, 240);
  EXPECT_EQ(cdx->findTag("alpha"), 1);
  EXPECT_EQ(cdx->findTag("m_2"), 2);
  EXPECT_EQ(cdx->findTag("ALPH"), -1);
  EXPECT_FALSE(cdx->options(0).unique);
  EXPECT_EQ(cdx->options(0).forExpression, "");
  EXPECT_EQ(cdxtest::allEntries(*cdx, 1), (std::vector<CdxEntry>{{"19991231", 2}, {"20260101", 1}}));
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0), (std::vector<CdxEntry>{entry("X", 1, 30)}));
  EXPECT_FALSE(cdx->first(2));
}

TEST_F(CdxFileTest, NulPaddedKeysRoundTrip) {
  // Numeric and date keys are padded with NUL; blanks inside them are data.
  const std::vector<CdxEntry> entries{{std::string("AB\0\0\0\0", 6), 1},
                                      {std::string("AB  \0\0", 6), 2},
                                      {std::string("AB    ", 6), 3},
                                      {std::string("\0\0\0\0\0\0", 6), 4}};
  {
    auto cdx = CdxFile::create(path);
    cdx->addTag("NUM", "AMOUNT", 6, entries, '\0');
  }
  auto cdx = CdxFile::open(path, true);
  cdx->setPadByte(0, '\0');
  cdx->insert(0, std::string("AB \0\0\0", 6), 5);
  std::vector<CdxEntry> want = entries;
  want.push_back({std::string("AB \0\0\0", 6), 5});
  std::sort(want.begin(), want.end(), [](const CdxEntry& a, const CdxEntry& b) { return a.key < b.key; });
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0), want);
}

TEST_F(CdxFileTest, FreedNodesAreReused) {
  std::vector<CdxEntry> entries;
  for (std::uint32_t i = 0; i < 5000; ++i) entries.push_back(entry(std::to_string(i * 7919 % 5003), i + 1));
  auto cdx = createWith(entries);
  cdx->rebuildTag(0, entries);
  const std::size_t afterFirstRebuild = fileSize();
  for (int round = 0; round < 3; ++round) cdx->rebuildTag(0, entries);
  EXPECT_EQ(fileSize(), afterFirstRebuild);
  // Emptying the tag and filling it again takes no new space either.
  for (const CdxEntry& e : entries) ASSERT_TRUE(cdx->remove(0, e.key, e.recno));
  EXPECT_FALSE(cdx->first(0));
  for (const CdxEntry& e : entries) cdx->insert(0, e.key, e.recno);
  EXPECT_LE(fileSize(), afterFirstRebuild + 512 * 4);
  EXPECT_EQ(cdx->verify(0), std::vector<std::string>{});
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0).size(), entries.size());
}

// Another program's free list may chain nodes differently: a free-list head
// that does not look like one of ours is never handed out as a new node.
TEST_F(CdxFileTest, AForeignFreeListIsLeftAlone) {
  std::vector<CdxEntry> entries;
  for (std::uint32_t i = 0; i < 300; ++i) entries.push_back(entry(std::to_string(i * 7919 % 301), i + 1, 30));
  createWith(entries, 30).reset();
  std::string bytes = cdxtest::readFile(path);
  const std::uint32_t liveNode = cdxtest::le32(bytes, 1536);  // the tag's root
  cdxtest::putLe32(bytes, 4, liveNode);
  cdxtest::writeFile(path, bytes);
  auto cdx = CdxFile::open(path, true);
  for (std::uint32_t i = 0; i < 300; ++i) {
    entries.push_back(entry("NEW" + std::to_string(i), 1000 + i, 30));
    cdx->insert(0, entries.back().key, entries.back().recno);
  }
  std::sort(entries.begin(), entries.end(), [](const CdxEntry& a, const CdxEntry& b) { return a.key < b.key; });
  EXPECT_EQ(cdx->verify(0), std::vector<std::string>{});
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0), entries);
  EXPECT_EQ(cdxtest::le32(cdxtest::readFile(path), 4), liveNode);
}

TEST_F(CdxFileTest, TagOptionsComeFromTheHeader) {
  createWith({entry("A", 1)}).reset();
  std::string bytes = cdxtest::readFile(path);
  const std::size_t header = 1536;
  bytes[header + 14] |= 0x01 | 0x08;  // unique, with FOR clause
  bytes[header + 502] = 1;            // descending
  // Pool: key expression, then the FOR expression after it.
  const std::string pool = std::string("UPPER(NAME)") + '\0' + "NOT DELETED()" + '\0';
  bytes.replace(header + 512, pool.size(), pool);
  cdxtest::putLe32(bytes, header + 504, 12 | (14u << 16));  // FOR at 12, 14 bytes
  cdxtest::writeFile(path, bytes);
  auto cdx = CdxFile::open(path, false);
  EXPECT_TRUE(cdx->options(0).unique);
  EXPECT_TRUE(cdx->options(0).descending);
  EXPECT_EQ(cdx->options(0).forExpression, "NOT DELETED()");
  EXPECT_EQ(cdx->tag(0).expression, "UPPER(NAME)");
}

TEST_F(CdxFileTest, RefusedCalls) {
  auto cdx = createWith({entry("A", 1)});
  auto expectError = [](ErrorCode code, const std::function<void()>& call) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), code) << e.what();
    }
  };
  expectError(ErrorCode::Argument, [&] { cdx->addTag("names", "X", 10, std::vector<CdxEntry>{}); });
  for (const char* bad : {"", "1ABC", "ELEVEN_CHAR", "A-B", "A B"})
    expectError(ErrorCode::Argument, [&] { cdx->addTag(bad, "X", 10, std::vector<CdxEntry>{}); });
  expectError(ErrorCode::Argument, [&] { cdx->addTag("K0", "X", 0, std::vector<CdxEntry>{}); });
  expectError(ErrorCode::Argument, [&] { cdx->addTag("K241", "X", 241, std::vector<CdxEntry>{}); });
  expectError(ErrorCode::Argument,
              [&] { cdx->addTag("LONGEXPR", std::string(600, 'X'), 10, std::vector<CdxEntry>{}); });
  expectError(ErrorCode::Argument, [&] { cdx->addTag("SHORTKEY", "X", 10, {entry("A", 1, 9)}); });
  expectError(ErrorCode::Argument, [&] { cdx->insert(0, "SHORT", 1); });
  expectError(ErrorCode::Argument, [&] { cdx->first(5); });
  expectError(ErrorCode::NotFound, [&] { CdxFile::open(dir / "MISSING.CDX", false); });
  auto reader = CdxFile::open(path, false);
  expectError(ErrorCode::State, [&] { reader->insert(0, padded("B", 10), 2); });
  expectError(ErrorCode::State, [&] { reader->rebuildTag(0, std::vector<CdxEntry>{}); });
  EXPECT_EQ(cdxtest::allEntries(*cdx, 0), std::vector<CdxEntry>{entry("A", 1)});
  EXPECT_EQ(cdx->tagCount(), 1);
}

}  // namespace
