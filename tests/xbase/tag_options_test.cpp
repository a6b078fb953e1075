// Tags with options that other tools write: descending order, unique keys
// and FOR conditions, read and maintained here. The options are set by
// rewriting the tag header of a tag we created.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xbase/cdx/cdx_format.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace xbase {
namespace {

using testing::TempFolder;
using Names = std::vector<std::string>;

// Rewrites the header of the one tag whose key expression is `expression`.
void patchTag(const std::filesystem::path& cdxPath, const std::string& expression,
              const std::function<void(cdx::TagHeader&)>& change) {
  std::string bytes = testing::readFile(cdxPath);
  // The expression pool starts 512 bytes into the tag header, key first.
  std::size_t at = bytes.find(expression + std::string(1, '\0'));
  ASSERT_NE(at, std::string::npos);
  while (at >= 512 && (at - 512) % 512 != 0) at = bytes.find(expression + std::string(1, '\0'), at + 1);
  ASSERT_NE(at, std::string::npos);
  const std::size_t header = at - 512;
  cdx::HeaderBytes image{};
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(header), image.size(), image.begin());
  cdx::TagHeader parsed = cdx::parseTagHeader(image, "test");
  change(parsed);
  image = cdx::encodeTagHeader(parsed);
  std::copy(image.begin(), image.end(), bytes.begin() + static_cast<std::ptrdiff_t>(header));
  testing::writeFile(cdxPath, bytes);
}

class TagOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::createAddressTable(folder_.path());
    auto cursor = Cursor::open(path_, OpenMode::Exclusive);
    for (const char* name : {"Baker", "adams", "Skip me", "Clark", "ADAMS"}) testing::addEntry(*cursor, name);
    cursor->createTag("Address", "upper(Name)");
  }
  std::unique_ptr<Cursor> reopen(OpenMode mode = OpenMode::Shared) {
    auto cursor = Cursor::open(path_, mode);
    cursor->setOrder("ADDRESS");
    return cursor;
  }
  TempFolder folder_;
  std::filesystem::path path_;
};

TEST_F(TagOptions, DescendingTagIsReadBackwards) {
  patchTag(folder_ / "ADDRESS.CDX", "upper(Name)", [](cdx::TagHeader& h) { h.descending = true; });
  auto cursor = reopen();
  EXPECT_EQ(testing::walkNames(*cursor), (Names{"Skip me", "Clark", "Baker", "ADAMS", "adams"}));
  EXPECT_TRUE(cursor->seek("BAKER"));
  cursor->skip();
  EXPECT_EQ(cursor->value("Name"), "ADAMS");
  EXPECT_TRUE(cursor->seek("ADAMS"));
  EXPECT_EQ(cursor->recno(), 5u);
  EXPECT_FALSE(cursor->seek("BZ", true));  // the first key not above it
  EXPECT_EQ(cursor->value("Name"), "Baker");
  testing::addEntry(*cursor, "Dodd");
  EXPECT_EQ(testing::walkNames(*cursor), (Names{"Skip me", "Dodd", "Clark", "Baker", "ADAMS", "adams"}));
}

TEST_F(TagOptions, UniqueAndForTagsAdmitOnlyTheirRecords) {
  patchTag(folder_ / "ADDRESS.CDX", "upper(Name)", [](cdx::TagHeader& h) {
    h.options |= cdx::kOptionUnique | cdx::kOptionFor;
    h.forExpression = "Name <> \"Skip\"";
  });
  reopen(OpenMode::Exclusive)->reindex();
  auto cursor = reopen();
  EXPECT_EQ(testing::walkNames(*cursor), (Names{"adams", "Baker", "Clark"}));
  testing::addEntry(*cursor, "Adams");    // a key already there: not indexed again
  testing::addEntry(*cursor, "Skipper");  // outside the condition
  testing::addEntry(*cursor, "Evans");
  EXPECT_EQ(testing::walkNames(*cursor), (Names{"adams", "Baker", "Clark", "Evans"}));
  cursor->setOrder("");
  cursor->last();
  cursor->beginEdit();
  cursor->setValue("Name", "Skipped now");  // leaves the condition: leaves the tag
  cursor->post();
  cursor->setOrder("ADDRESS");
  EXPECT_EQ(testing::walkNames(*cursor), (Names{"adams", "Baker", "Clark"}));
  cursor.reset();
  auto exclusive = reopen(OpenMode::Exclusive);
  exclusive->pack();
  EXPECT_EQ(exclusive->tags().size(), 1u);
  EXPECT_EQ(testing::walkNames(*exclusive), (Names{"adams", "Baker", "Clark"}));  // options survive a pack
}

TEST_F(TagOptions, TagWithAKeyWeCannotComputeRefusesWritesBeforeStoringAnything) {
  patchTag(folder_ / "ADDRESS.CDX", "upper(Name)", [](cdx::TagHeader& h) { h.keyExpression = "soundex(Name)"; });
  auto cursor = Cursor::open(path_, OpenMode::Shared);
  EXPECT_EQ(testing::walkNames(*cursor).size(), 5u);  // natural order still reads
  EXPECT_EQ(testing::errorCodeOf([&] { cursor->setOrder("ADDRESS"); }), ErrorCode::Expression);
  EXPECT_EQ(testing::errorCodeOf([&] { testing::addEntry(*cursor, "Never stored"); }), ErrorCode::Expression);
  cursor->cancel();
  EXPECT_EQ(cursor->count(), 5u);
}

}  // namespace
}  // namespace xbase
