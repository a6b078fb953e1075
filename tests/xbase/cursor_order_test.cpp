// Tag order: creating the tag, walking, seeking exact and soft, and the tag
// kept current by appends, edits and deletes of this and other cursors.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/dbf_bytes.h"
#include "xbase/dbf_record.h"
#include "xbase/error.h"

namespace xbase {
namespace {

using testing::TempFolder;
using Names = std::vector<std::string>;

class TagOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::createAddressTable(folder_.path());
    {
      auto exclusive = Cursor::open(path_, OpenMode::Exclusive);
      testing::addEntry(*exclusive, "Miller");
      exclusive->createTag("Address", "upper(Name)");
    }
    cursor_ = Cursor::open(path_, OpenMode::Shared);
    cursor_->setOrder("ADDRESS");
    for (const char* name : {"smith", "Adams", "Osmium Ltd", "SMITH", "Zeta", " Smith"})
      testing::addEntry(*cursor_, name);
  }
  TempFolder folder_;
  std::filesystem::path path_;
  std::unique_ptr<Cursor> cursor_;
};

TEST_F(TagOrder, TagIsListedAndWalksAlphabetically) {
  auto tags = cursor_->tags();
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_EQ(tags[0].name, "ADDRESS");
  EXPECT_EQ(tags[0].keyLength, 30);
  EXPECT_EQ(cursor_->order(), "ADDRESS");
  EXPECT_EQ(testing::walkNames(*cursor_), (Names{" Smith", "Adams", "Miller", "Osmium Ltd", "smith", "SMITH", "Zeta"}));
  std::vector<std::string> backwards;
  for (cursor_->last(); !cursor_->bof(); cursor_->skip(-1)) backwards.push_back(cursor_->value("Name"));
  EXPECT_EQ(backwards, (Names{"Zeta", "SMITH", "smith", "Osmium Ltd", "Miller", "Adams", " Smith"}));
  EXPECT_EQ(tableInfo(path_).tags.at(0).expression, "upper(Name)");
}

TEST_F(TagOrder, ExactSeekFindsWholeKeysAndKeepsPositionOnMiss) {
  EXPECT_TRUE(cursor_->seek("SMITH"));
  EXPECT_EQ(cursor_->value("Name"), "smith");  // the first of equal keys, by record number
  cursor_->go(4);
  EXPECT_FALSE(cursor_->seek("SMI"));  // compared whole
  EXPECT_EQ(cursor_->recno(), 4u);
  EXPECT_FALSE(cursor_->seek("NOBODY"));
  EXPECT_EQ(cursor_->recno(), 4u);
  EXPECT_TRUE(cursor_->seek("SMITH     "));  // trailing blanks do not matter
  EXPECT_FALSE(cursor_->seek("SMITHSON"));
}

TEST_F(TagOrder, KeyForBuildsTheTagsKeyFromTheRecordOrTheBuffer) {
  cursor_->go(1);
  EXPECT_EQ(cursor_->keyFor("address"), "MILLER" + std::string(24, ' '));
  cursor_->beginAppend();
  EXPECT_EQ(cursor_->keyFor("Address"), std::string(30, ' '));
  cursor_->setValue("Name", "Osmium ltd \xe9 and a name longer than the field");
  const std::string key = cursor_->keyFor("ADDRESS");
  EXPECT_EQ(key, "OSMIUM LTD \xe9 AND A NAME LONGER");
  cursor_->cancel();
  cursor_->go(1);
  auto other = Cursor::open(path_, OpenMode::Shared);
  other->setOrder("ADDRESS");
  EXPECT_FALSE(other->seek(key));  // never posted
  EXPECT_TRUE(other->seek(cursor_->keyFor("ADDRESS")));
  EXPECT_EQ(other->recno(), 1u);
  EXPECT_EQ(testing::errorCodeOf([&] { cursor_->keyFor("NOSUCH"); }), ErrorCode::NotFound);
}

TEST_F(TagOrder, SoftSeekLandsOnTheFirstKeyNotBelow) {
  EXPECT_FALSE(cursor_->seek("N", true));
  EXPECT_EQ(cursor_->value("Name"), "Osmium Ltd");
  EXPECT_TRUE(cursor_->seek("ADAMS", true));
  EXPECT_EQ(cursor_->value("Name"), "Adams");
  EXPECT_FALSE(cursor_->seek("ZZ", true));
  EXPECT_TRUE(cursor_->eof());
}

TEST_F(TagOrder, SeekSkipsDeletedAndFilteredRecords) {
  ASSERT_TRUE(cursor_->seek("SMITH"));
  cursor_->deleteRecord();
  EXPECT_TRUE(cursor_->seek("SMITH"));
  EXPECT_EQ(cursor_->value("Name"), "SMITH");
  cursor_->setFilter("Name = \"Z\"");
  EXPECT_FALSE(cursor_->seek("SMITH"));
  EXPECT_TRUE(cursor_->seek("ZETA"));
}

TEST_F(TagOrder, EditedKeysMoveAndOtherCursorsFollow) {
  auto other = Cursor::open(path_, OpenMode::Shared);
  other->setOrder("address");
  ASSERT_TRUE(cursor_->seek("ZETA"));
  cursor_->beginEdit();
  cursor_->setValue("Name", "Aaron");
  cursor_->post();
  EXPECT_EQ(cursor_->recno(), 6u);
  cursor_->skip(-1);
  EXPECT_EQ(cursor_->value("Name"), " Smith");
  EXPECT_TRUE(other->seek("AARON"));
  EXPECT_FALSE(other->seek("ZETA"));
  testing::addEntry(*other, "Bertram");
  EXPECT_TRUE(cursor_->seek("BERTRAM"));
  cursor_->skip(-1);
  EXPECT_EQ(cursor_->value("Name"), "Adams");
}

TEST_F(TagOrder, AWalkMeetsKeysAnotherCursorChangesAheadOfIt) {
  auto other = Cursor::open(path_, OpenMode::Shared);
  other->setOrder("ADDRESS");
  cursor_->first();
  cursor_->skip();
  ASSERT_EQ(cursor_->value("Name"), "Adams");
  testing::addEntry(*other, "Adamson");  // just ahead of the walk
  cursor_->skip();
  EXPECT_EQ(cursor_->value("Name"), "Adamson");
  ASSERT_TRUE(other->seek("MILLER"));  // the next one moves away
  other->beginEdit();
  other->setValue("Name", "Young");
  other->post();
  cursor_->skip();
  EXPECT_EQ(cursor_->value("Name"), "Osmium Ltd");
  cursor_->skip(-1);
  EXPECT_EQ(cursor_->value("Name"), "Adamson");
}

TEST_F(TagOrder, ChangingOrderKeepsTheCurrentRecord) {
  ASSERT_TRUE(cursor_->seek("OSMIUM LTD"));
  const auto recno = cursor_->recno();
  cursor_->setOrder("");
  EXPECT_EQ(cursor_->recno(), recno);
  EXPECT_EQ(cursor_->order(), "");
  cursor_->skip();
  EXPECT_EQ(cursor_->recno(), recno + 1);
  cursor_->setOrder("Address");
  EXPECT_EQ(cursor_->recno(), recno + 1);
  cursor_->skip();
  EXPECT_EQ(cursor_->value("Name"), "Zeta");  // after SMITH (record 5) comes Zeta
  try {
    cursor_->setOrder("NoSuchTag");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::NotFound);
  }
}

TEST_F(TagOrder, ReindexRebuildsTheTag) {
  cursor_.reset();
  auto exclusive = Cursor::open(path_, OpenMode::Exclusive);
  exclusive->reindex();
  exclusive->setOrder("ADDRESS");
  EXPECT_EQ(testing::walkNames(*exclusive).size(), 7u);
  EXPECT_THROW(exclusive->createTag("Address", "Name"), Error);  // exists
  EXPECT_THROW(exclusive->createTag("Bad", "upper("), Error);
}

}  // namespace
}  // namespace xbase

namespace xbase {
namespace {

TEST(BulkAppend, RebuildsTheTagOnceAtTheEndAndNeedsTheTableAlone) {
  testing::TempFolder folder;
  auto path = testing::createAddressTable(folder.path());
  {
    auto exclusive = Cursor::open(path, OpenMode::Exclusive);
    testing::addEntry(*exclusive, "Miller");
    exclusive->createTag("Address", "upper(Name)");
    exclusive->setOrder("ADDRESS");
    exclusive->beginBulkAppend();
    for (const char* name : {"zeta", "Adams", "miller"}) testing::addEntry(*exclusive, name);
    exclusive->endBulkAppend();
    EXPECT_EQ(testing::walkNames(*exclusive), (Names{"Adams", "Miller", "miller", "zeta"}));
    EXPECT_TRUE(exclusive->seek("ZETA"));
    // Appends after the bulk load keep the tag current again.
    testing::addEntry(*exclusive, "Baker");
    EXPECT_TRUE(exclusive->seek("BAKER"));
  }
  auto shared = Cursor::open(path, OpenMode::Shared);
  EXPECT_THROW(shared->beginBulkAppend(), Error);
}

// A bulk load keeps its appends in memory and writes them a megabyte at a
// time: they read as stored meanwhile, every record the file counts has its
// memo in the memo file already, and a load never ended is stored whole.
TEST(BulkAppend, GatheredRecordsReadAsStoredAndReachTheFilesMemosFirst) {
  testing::TempFolder folder;
  const auto path = testing::createAddressTable(folder.path());
  constexpr std::uint32_t kEntries = 25000;  // more than a megabyte of records
  const auto memoOf = [](std::uint32_t i) { return "Memo " + std::to_string(i); };
  {
    auto exclusive = Cursor::open(path, OpenMode::Exclusive);
    exclusive->beginBulkAppend();
    for (std::uint32_t i = 1; i <= kEntries; ++i)
      testing::addEntry(*exclusive, "Entry " + std::to_string(i), memoOf(i));
    exclusive->go(kEntries);
    EXPECT_EQ(exclusive->value("Info"), memoOf(kEntries));
    EXPECT_EQ(exclusive->valueAt(kEntries - 1, exclusive->fieldIndex("Name")), "Entry 24999");

    const std::string dbf = testing::readFile(path), fpt = testing::readFile(folder.path() / "ADDRESS.fpt");
    const std::uint32_t counted = readLe32(dbf.data() + 4);
    ASSERT_GT(counted, 0u);
    ASSERT_LT(counted, kEntries);
    const std::size_t last = readLe16(dbf.data() + 8) + std::size_t{counted - 1} * readLe16(dbf.data() + 10);
    const std::uint32_t block = memoBlockOf(FieldInfo{"INFO", 'M', 10, 0},
                                            std::string_view(dbf).substr(last + 1 + 30, 10));
    EXPECT_LT(block, readBe32(fpt.data()));
    EXPECT_LE(std::uint64_t{readBe32(fpt.data())} * 64, fpt.size() + 64);
  }
  auto shared = Cursor::open(path, OpenMode::Shared);
  EXPECT_EQ(tableInfo(path).recordCount, kEntries);
  EXPECT_EQ(shared->valueAt(kEntries, shared->fieldIndex("Info")), memoOf(kEntries));
}

}  // namespace
}  // namespace xbase
