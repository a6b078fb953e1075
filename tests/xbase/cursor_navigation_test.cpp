// Moving in natural order: top, bottom, skips past either end, bookmarks,
// deleted records and filters.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace xbase {
namespace {

using testing::TempFolder;

class Navigation : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::createAddressTable(folder_.path());
    cursor_ = Cursor::open(path_, OpenMode::Shared);
    for (const char* name : {"Smith", "Jones", "Osmium Ltd", "Brown", "smithson"}) testing::addEntry(*cursor_, name);
  }
  TempFolder folder_;
  std::filesystem::path path_;
  std::unique_ptr<Cursor> cursor_;
};

TEST_F(Navigation, OpenPlacesTheCursorOnTheFirstRecord) {
  auto other = Cursor::open(path_, OpenMode::Shared);
  EXPECT_EQ(other->recno(), 1u);
  EXPECT_FALSE(other->bof());
  EXPECT_FALSE(other->eof());
  EXPECT_EQ(other->value("name"), "Smith");
}

TEST_F(Navigation, SkipsPastEitherEnd) {
  cursor_->last();
  EXPECT_EQ(cursor_->recno(), 5u);
  cursor_->skip();
  EXPECT_TRUE(cursor_->eof());
  EXPECT_EQ(cursor_->recno(), 0u);
  EXPECT_EQ(cursor_->value("Name"), "");
  cursor_->skip(-1);  // back from the end lands on the last record
  EXPECT_FALSE(cursor_->eof());
  EXPECT_EQ(cursor_->recno(), 5u);

  cursor_->first();
  cursor_->skip(-1);  // before the start: the first record stays current
  EXPECT_TRUE(cursor_->bof());
  EXPECT_EQ(cursor_->recno(), 1u);
  cursor_->skip(3);
  EXPECT_FALSE(cursor_->bof());
  EXPECT_EQ(cursor_->recno(), 4u);
  cursor_->skip(-2);
  EXPECT_EQ(cursor_->recno(), 2u);
  cursor_->skip(10);
  EXPECT_TRUE(cursor_->eof());
}

TEST_F(Navigation, DeletedRecordsAreSkippedAndNotCounted) {
  cursor_->go(2);
  cursor_->deleteRecord();
  EXPECT_EQ(cursor_->recno(), 3u);  // moved on to the next
  cursor_->last();
  cursor_->deleteRecord();
  EXPECT_TRUE(cursor_->eof());
  EXPECT_EQ(testing::walkNames(*cursor_), (std::vector<std::string>{"Smith", "Osmium Ltd", "Brown"}));
  EXPECT_EQ(cursor_->count(), 3u);
  cursor_->go(2);  // a bookmark still reaches it
  EXPECT_TRUE(cursor_->deleted());
  EXPECT_EQ(cursor_->value("Name"), "Jones");
  EXPECT_THROW(cursor_->go(6), Error);
  EXPECT_THROW(cursor_->go(0), Error);
}

TEST_F(Navigation, AllDeletedMeansBothEnds) {
  for (cursor_->first(); !cursor_->eof();) cursor_->deleteRecord();
  cursor_->first();
  EXPECT_TRUE(cursor_->bof());
  EXPECT_TRUE(cursor_->eof());
  EXPECT_EQ(cursor_->recno(), 0u);
  EXPECT_EQ(cursor_->count(), 0u);
}

TEST_F(Navigation, FilterExpressionNarrowsWalkAndCount) {
  cursor_->setFilter("\"SMI\"$upper(Name)");
  EXPECT_EQ(cursor_->filter(), "\"SMI\"$upper(Name)");
  // "SMI" occurs in OSMIUM too.
  EXPECT_EQ(testing::walkNames(*cursor_), (std::vector<std::string>{"Smith", "Osmium Ltd", "smithson"}));
  EXPECT_EQ(cursor_->count(), 3u);
  cursor_->last();
  EXPECT_EQ(cursor_->value("Name"), "smithson");
  cursor_->skip(-1);
  EXPECT_EQ(cursor_->value("Name"), "Osmium Ltd");

  cursor_->setFilter("\"XYZ\"$upper(Name)");
  cursor_->first();
  EXPECT_TRUE(cursor_->bof() && cursor_->eof());

  cursor_->setFilter("");
  EXPECT_EQ(cursor_->count(), 5u);
}

TEST_F(Navigation, ExactSettingDecidesStringEquality) {
  cursor_->setFilter("upper(Name) = \"SMITH\"");
  EXPECT_EQ(cursor_->count(), 2u);  // prefix comparison: SMITHSON too
  cursor_->setExact(true);
  EXPECT_EQ(cursor_->count(), 1u);
  EXPECT_EQ(testing::walkNames(*cursor_), (std::vector<std::string>{"Smith"}));
}

TEST_F(Navigation, MalformedFilterIsRefusedAndTheOldOneKept) {
  cursor_->setFilter("\"SMI\"$upper(Name)");
  for (const char* bad : {"\"SMI\"$upper(", "Nosuchfield = \"A\"", "upper(Name)"}) {
    try {
      cursor_->setFilter(bad);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Expression) << bad;
    }
  }
  EXPECT_EQ(cursor_->count(), 3u);
}

TEST_F(Navigation, RecordFilterRunsOnTopOfTheExpressionButIsNotCounted) {
  int calls = 0;
  cursor_->setFilter("\"SMI\"$upper(Name) .OR. \"OSM\"$upper(Name)");
  cursor_->setRecordFilter([&](Cursor& c) {
    ++calls;
    return c.value("Name").find("Ltd") == std::string::npos;
  });
  EXPECT_EQ(testing::walkNames(*cursor_), (std::vector<std::string>{"Smith", "smithson"}));
  EXPECT_GT(calls, 0);
  EXPECT_EQ(cursor_->count(), 3u);
  cursor_->setRecordFilter({});
  EXPECT_EQ(testing::walkNames(*cursor_).size(), 3u);
}

TEST_F(Navigation, RecordFilterMayReadButNotMoveItsCursor) {
  const std::function<void(Cursor&)> forbidden[] = {
      [](Cursor& c) { c.skip(); },
      [](Cursor& c) { c.first(); },
      [](Cursor& c) { c.beginEdit(); },
      [](Cursor& c) { c.deleteRecord(); },
      [](Cursor& c) { c.setRecordFilter({}); },
  };
  for (const auto& action : forbidden) {
    cursor_->setRecordFilter([&](Cursor& c) {
      c.value("Name");
      action(c);
      return true;
    });
    EXPECT_EQ(testing::errorCodeOf([&] { cursor_->first(); }), ErrorCode::State);
    cursor_->setRecordFilter({});
  }
  EXPECT_EQ(cursor_->count(), 5u);  // nothing was deleted
}

TEST_F(Navigation, SeekInNaturalOrderIsRefused) {
  try {
    cursor_->seek("SMITH");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::State);
    EXPECT_STREQ(e.what(), "No parseable expressions in setting key fields");
  }
}

TEST_F(Navigation, FieldsAreFoundIgnoringCase) {
  EXPECT_EQ(cursor_->fieldIndex("lastdate"), 2);
  EXPECT_EQ(cursor_->fieldIndex("NAME"), 0);
  EXPECT_EQ(cursor_->fieldIndex("Phone"), -1);
  EXPECT_THROW(cursor_->value("Phone"), Error);
  EXPECT_THROW(cursor_->value(7), Error);
}

TEST(NavigationLarge, WalksManyRecordsInBothDirections) {
  TempFolder folder;
  createTable(folder / "n", "Num,Numeric,6;");
  auto cursor = Cursor::open(folder / "N.DBF", OpenMode::Exclusive);
  for (int i = 1; i <= 3000; ++i) {
    cursor->beginAppend();
    cursor->setValue("Num", std::to_string(i));
    cursor->post();
  }
  cursor->setFilter("Num > 2990 .OR. Num < 3");
  std::vector<std::string> seen;
  for (cursor->last(); !cursor->bof(); cursor->skip(-1)) seen.push_back(cursor->value("Num"));
  EXPECT_EQ(seen.size(), 12u);
  EXPECT_EQ(seen.front(), "3000");
  EXPECT_EQ(seen.back(), "1");
  EXPECT_EQ(cursor->count(), 12u);
}

}  // namespace
}  // namespace xbase
