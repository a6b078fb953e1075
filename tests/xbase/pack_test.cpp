// Pack: deleted records leave, memo space is reclaimed, tags are rebuilt,
// and an interrupted pack is finished by the next open.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace xbase {
namespace {

using testing::TempFolder;
using Names = std::vector<std::string>;

class Packing : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::createAddressTable(folder_.path());
    auto cursor = Cursor::open(path_, OpenMode::Exclusive);
    cursor->createTag("Address", "upper(Name)");
    for (int i = 0; i < 10; ++i)
      testing::addEntry(*cursor, "Name " + std::to_string(9 - i), std::string(static_cast<std::size_t>(50 * i), 'm'));
  }
  std::uint64_t memoSize() const { return std::filesystem::file_size(folder_ / "ADDRESS.fpt"); }
  TempFolder folder_;
  std::filesystem::path path_;
};

TEST_F(Packing, RemovesDeletedRecordsReclaimsMemosAndRebuildsTheTag) {
  {
    auto cursor = Cursor::open(path_, OpenMode::Shared);
    for (std::uint32_t recno : {2u, 5u, 6u}) {
      cursor->go(recno);
      cursor->deleteRecord();
    }
    cursor->go(10);  // grow a memo so that its old blocks become garbage
    cursor->beginEdit();
    cursor->setValue("Info", std::string(1000, 'g'));
    cursor->post();
  }
  const auto before = memoSize();
  auto cursor = Cursor::open(path_, OpenMode::Exclusive);
  cursor->setOrder("Address");
  cursor->pack();
  EXPECT_EQ(cursor->order(), "ADDRESS");
  EXPECT_EQ(cursor->value("Name"), "Name 0");  // at the top of the order
  EXPECT_EQ(testing::walkNames(*cursor), (Names{"Name 0", "Name 1", "Name 2", "Name 3", "Name 6", "Name 7", "Name 9"}));
  // Exactly the blocks of the kept memos: 0, 100, 150, 300, 350, 400 bytes and 1000.
  std::uint64_t blocks = 8;
  for (std::uint64_t length : {100, 150, 300, 350, 400, 1000}) blocks += (length + 8 + 63) / 64;
  EXPECT_EQ(memoSize(), blocks * 64);
  EXPECT_LT(memoSize(), before);
  cursor->setOrder("");
  std::vector<std::size_t> lengths;
  for (cursor->first(); !cursor->eof(); cursor->skip()) lengths.push_back(cursor->value("Info").size());
  EXPECT_EQ(lengths, (std::vector<std::size_t>{0, 100, 150, 300, 350, 400, 1000}));
  cursor->setOrder("ADDRESS");
  EXPECT_TRUE(cursor->seek("NAME 3"));
  EXPECT_EQ(cursor->value("Info"), std::string(300, 'm'));
  const std::string dbf = testing::readFile(path_);
  EXPECT_EQ(dbf.size(), 130u + 7 * 49 + 1);
  EXPECT_EQ(dbf.back(), '\x1A');
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
    EXPECT_EQ(entry.path().filename().string().find(".pack"), std::string::npos) << entry.path();
}

TEST_F(Packing, EmptyAndFullyDeletedTablesPack) {
  {
    auto cursor = Cursor::open(path_, OpenMode::Exclusive);
    for (cursor->first(); !cursor->eof();) cursor->deleteRecord();
    cursor->pack();
    EXPECT_TRUE(cursor->eof() && cursor->bof());
    cursor->pack();
    testing::addEntry(*cursor, "After");
    cursor->setOrder("Address");
    EXPECT_TRUE(cursor->seek("AFTER"));
  }
  EXPECT_EQ(tableInfo(path_).recordCount, 1u);
  EXPECT_EQ(memoSize(), 512u);
}

TEST_F(Packing, NeedsAnExclusiveOpen) {
  auto cursor = Cursor::open(path_, OpenMode::Shared);
  EXPECT_THROW(cursor->pack(), Error);
  EXPECT_THROW(cursor->reindex(), Error);
  EXPECT_THROW(cursor->createTag("Other", "Name"), Error);
}

TEST_F(Packing, TheNextOpenFinishesAPackInterruptedAfterItsJournal) {
  // The state a pack leaves when it stops between its renames: the new memo
  // file is in place, the new table file still waits beside the old one.
  TempFolder packed;
  const auto packedPath = testing::createAddressTable(packed.path());
  {
    auto cursor = Cursor::open(packedPath, OpenMode::Exclusive);
    testing::addEntry(*cursor, "Survivor", "its memo");
  }
  std::filesystem::copy_file(packedPath, folder_ / "ADDRESS.DBF.packing");
  std::filesystem::copy_file(packed / "ADDRESS.fpt", folder_ / "ADDRESS.fpt",
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::remove(folder_ / "ADDRESS.CDX");
  testing::writeFile(
      folder_ / "ADDRESS.DBF.packed",
      testing::packJournalLine("ADDRESS.DBF.packing", "ADDRESS.DBF", testing::readFile(packedPath)) +
          testing::packJournalLine("ADDRESS.fpt.packing", "ADDRESS.fpt", testing::readFile(packed / "ADDRESS.fpt")));

  auto cursor = Cursor::open(path_, OpenMode::Shared);
  EXPECT_EQ(testing::walkNames(*cursor), (Names{"Survivor"}));
  cursor->first();
  EXPECT_EQ(cursor->value("Info"), "its memo");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "ADDRESS.DBF.packed"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "ADDRESS.DBF.packing"));
}

// The index a reindex or a pack leaves is as small as one built afresh on a
// copy of its table, and reads back the same entries.
TEST_F(Packing, ReindexAndPackLeaveAnIndexNoLargerThanAFreshBuild) {
  const auto cdxSize = [](const std::filesystem::path& folder) {
    return std::filesystem::file_size(folder / "ADDRESS.CDX");
  };
  const auto expectLikeAFreshBuild = [&](Cursor& cursor) {
    TempFolder fresh;
    for (const char* file : {"ADDRESS.DBF", "ADDRESS.fpt"}) std::filesystem::copy_file(folder_ / file, fresh / file);
    auto rebuilt = Cursor::open(fresh / "ADDRESS.DBF", OpenMode::Exclusive);
    rebuilt->createTag("Address", "upper(Name)");
    rebuilt->setOrder("Address");
    cursor.setOrder("Address");
    EXPECT_LE(cdxSize(folder_.path()), cdxSize(fresh.path()));
    EXPECT_EQ(testing::walkNames(cursor), testing::walkNames(*rebuilt));
  };
  auto cursor = Cursor::open(path_, OpenMode::Exclusive);
  for (int i = 0; i < 3000; ++i) testing::addEntry(*cursor, "Entry " + std::to_string(i * 7919 % 3001));
  for (int round = 0; round < 2; ++round) {
    cursor->reindex();
    expectLikeAFreshBuild(*cursor);
  }
  cursor->setOrder("");
  for (cursor->first(); !cursor->eof();) {
    cursor->deleteRecord();
    cursor->skip(2);
  }
  cursor->pack();
  expectLikeAFreshBuild(*cursor);
}

// Memos lying side by side over a long stretch are copied as stored, and a
// run this engine would not write (another type) is written anew: every
// kept memo reads back, in exactly the blocks it needs.
TEST_F(Packing, KeepsLongStretchesOfMemosAndRewritesForeignRuns) {
  const auto memoOf = [](int i) {
    return "memo " + std::to_string(i) + std::string(1000, static_cast<char>('a' + i % 26));
  };
  {
    auto cursor = Cursor::open(path_, OpenMode::Exclusive);
    for (int i = 0; i < 150; ++i) testing::addEntry(*cursor, "Long " + std::to_string(i), memoOf(i));
  }
  std::string fpt = testing::readFile(folder_ / "ADDRESS.fpt");
  const std::size_t foreign = fpt.find(memoOf(70)) - 8;
  fpt.replace(foreign, 4, std::string(4, '\0'));  // type 0
  testing::writeFile(folder_ / "ADDRESS.fpt", fpt);
  auto cursor = Cursor::open(path_, OpenMode::Exclusive);
  std::vector<std::string> kept;
  for (std::uint32_t recno = 11; recno <= 160; ++recno) {
    const int i = static_cast<int>(recno) - 11;
    cursor->go(recno);
    if (i == 20 || i == 71 || i == 149)
      cursor->deleteRecord();
    else
      kept.push_back(memoOf(i));
  }
  for (std::uint32_t recno = 1; recno <= 10; ++recno) {
    cursor->go(recno);
    cursor->deleteRecord();
  }
  cursor->pack();
  std::vector<std::string> memos;
  for (cursor->first(); !cursor->eof(); cursor->skip()) memos.push_back(cursor->value("Info"));
  EXPECT_EQ(memos, kept);
  EXPECT_EQ(memoSize(), (8 + kept.size() * ((kept[0].size() + 8 + 63) / 64)) * 64);
}

}  // namespace
}  // namespace xbase
