// Filters decided on index keys before records are read: a filter
// "literal $ <the tag's expression>" and a caller's key filter. Either may
// only pass records by; what a walk meets must be what the record-by-record
// tests meet, and neither may be used where the keys do not hold the whole
// value.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xbase/cdx/cdx_file.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"
#include "xbase/expr/expression.h"

namespace xbase {
namespace {

using testing::TempFolder;
using Names = std::vector<std::string>;

const std::string kLongName = std::string(20, 'a') + " smi";  // the text lies past a 10-byte key

class KeyTests : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::createAddressTable(folder_.path());
    const Names names{"Smith", "O'Smith \"Bud\"", "M\xFCller-SMI", "gone smith", kLongName, "Jones", "smith", "\xFC"};
    {
      auto exclusive = Cursor::open(path_, OpenMode::Exclusive);
      for (const std::string& name : names) testing::addEntry(*exclusive, name);
      exclusive->go(4);
      exclusive->deleteRecord();
      exclusive->createTag("Address", "upper(Name)");
    }
    // A tag of the same expression whose keys are cut to 10 bytes.
    std::vector<CdxEntry> cut;
    for (std::uint32_t recno = 1; recno <= names.size(); ++recno) {
      std::string key = asciiUpper(names[recno - 1]);
      key.resize(10, ' ');
      cut.push_back({key, recno});
    }
    CdxFile::open(folder_.path() / "ADDRESS.CDX", true)->addTag("Short", "upper(Name)", 10, cut);
    cursor_ = Cursor::open(path_, OpenMode::Shared);
  }

  // The names met forwards, then those met backwards.
  Names walk() {
    Names met = testing::walkNames(*cursor_);
    met.push_back("|");
    for (cursor_->last(); !cursor_->bof(); cursor_->skip(-1)) met.push_back(cursor_->value("Name"));
    return met;
  }

  TempFolder folder_;
  std::filesystem::path path_;
  std::unique_ptr<Cursor> cursor_;
};

TEST_F(KeyTests, ALiteralFilterMeetsWhatTheRecordTestMeets) {
  for (const char* order : {"ADDRESS", "SHORT", ""}) {
    for (const std::string text : {"SMI", "'S", "\"B", "\xFC", " SMI", "AAA SMI", "ZZZ"}) {
      const std::string filter = *stringLiteral(text) + "$upper(Name)";
      cursor_->setOrder(order);
      cursor_->setFilter(filter + " .AND. .T.");  // not decided on keys
      const Names expected = walk();
      cursor_->setFilter(filter);
      EXPECT_EQ(walk(), expected) << filter << " in order " << order;
    }
  }
  cursor_->setOrder("ADDRESS");
  cursor_->setFilter("\"SMI\"$upper(Name)");
  EXPECT_EQ(testing::walkNames(*cursor_), (Names{kLongName, "M\xFCller-SMI", "O'Smith \"Bud\"", "Smith", "smith"}));
  cursor_->setFilter("\"BUD\"$upper(Name)");
  EXPECT_TRUE(cursor_->seek("O'SMITH \"BUD\""));
  EXPECT_FALSE(cursor_->seek("SMITH"));
}

TEST_F(KeyTests, AKeyFilterPassesRecordsByOnlyWhereItsTagHoldsTheWholeValue) {
  std::vector<std::uint32_t> asked;
  cursor_->setKeyFilter(" UPPER( name )", [&](std::string_view key, std::uint32_t recno) {
    asked.push_back(recno);
    EXPECT_EQ(key.size(), 30u);
    return key.find("SMI") != std::string_view::npos;
  });
  const Names all{"Smith", "O'Smith \"Bud\"", "M\xFCller-SMI", kLongName, "Jones", "smith", "\xFC"};
  EXPECT_EQ(testing::walkNames(*cursor_), all);  // natural order: no keys; and no record filter yet
  cursor_->setRecordFilter([](Cursor&) { return true; });
  EXPECT_EQ(testing::walkNames(*cursor_), all);
  cursor_->setOrder("SHORT");  // cut keys: not asked
  EXPECT_EQ(testing::walkNames(*cursor_).size(), all.size());
  EXPECT_TRUE(asked.empty());
  cursor_->setOrder("ADDRESS");
  EXPECT_EQ(testing::walkNames(*cursor_), (Names{kLongName, "M\xFCller-SMI", "O'Smith \"Bud\"", "Smith", "smith"}));
  EXPECT_FALSE(asked.empty());
  cursor_->setKeyFilter("upper(City)", [](std::string_view, std::uint32_t) { return false; });
  EXPECT_EQ(testing::walkNames(*cursor_).size(), all.size());
}

}  // namespace
}  // namespace xbase
