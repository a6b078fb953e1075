// Writing through a cursor: append, edit, cancel, delete, field text forms,
// memo storage in place or in new blocks, and the header kept current.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace xbase {
namespace {

using testing::TempFolder;

std::uint32_t le32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}
std::uint32_t be32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

class Writing : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::createAddressTable(folder_.path());
    cursor_ = Cursor::open(path_, OpenMode::Shared);
  }
  std::string dbf() const { return testing::readFile(path_); }
  std::uint64_t memoFileSize() const { return std::filesystem::file_size(folder_ / "ADDRESS.fpt"); }

  TempFolder folder_;
  std::filesystem::path path_;
  std::unique_ptr<Cursor> cursor_;
};

TEST_F(Writing, AppendStoresFieldsAndKeepsHeaderAndEndMarkCurrent) {
  testing::addEntry(*cursor_, "Smith, Anna", "Phone: 555 1234\r\nMail: anna@example.org", "20260307");
  testing::addEntry(*cursor_, std::string(35, 'W'));  // cut to the field width
  EXPECT_EQ(cursor_->recno(), 2u);

  const std::string bytes = dbf();
  EXPECT_EQ(le32(bytes, 4), 2u);
  const std::size_t header = 130, length = 49;
  ASSERT_EQ(bytes.size(), header + 2 * length + 1);
  EXPECT_EQ(bytes.back(), '\x1A');
  EXPECT_EQ(bytes.substr(header, 12), " Smith, Anna");
  EXPECT_EQ(bytes.substr(header + 31, 10), "         8");  // first memo block, ASCII
  EXPECT_EQ(bytes.substr(header + 41, 8), "20260307");
  EXPECT_EQ(bytes.substr(header + length + 31, 10), std::string(10, ' '));  // no memo

  cursor_->go(1);
  EXPECT_EQ(cursor_->value("Info"), "Phone: 555 1234\r\nMail: anna@example.org");
  EXPECT_EQ(cursor_->value("LastDate"), "20260307");
  cursor_->go(2);
  EXPECT_EQ(cursor_->value("Name"), std::string(30, 'W'));
  EXPECT_EQ(cursor_->value("Info"), "");
  EXPECT_EQ(cursor_->value("LastDate"), "");
  EXPECT_EQ(cursor_->lastUpdate(), tableInfo(path_).lastUpdate);
}

TEST_F(Writing, EditCancelAndPost) {
  testing::addEntry(*cursor_, "Jones", "old memo");
  cursor_->beginEdit();
  EXPECT_TRUE(cursor_->editing());
  EXPECT_FALSE(cursor_->appending());
  cursor_->setValue("Name", "Jones-Miller");
  cursor_->setValue("Info", "new memo");
  EXPECT_EQ(cursor_->value("Name"), "Jones-Miller");  // the buffer while editing
  EXPECT_EQ(cursor_->value("Info"), "new memo");
  cursor_->cancel();
  EXPECT_EQ(cursor_->value("Name"), "Jones");
  EXPECT_EQ(cursor_->value("Info"), "old memo");

  cursor_->beginEdit();
  cursor_->setValue("Name", "Jones-Miller");
  cursor_->setValue("Info", "");
  cursor_->post();
  EXPECT_FALSE(cursor_->editing());
  EXPECT_EQ(cursor_->value("Name"), "Jones-Miller");
  EXPECT_EQ(cursor_->value("Info"), "");
}

TEST_F(Writing, CancelledAppendStoresNothing) {
  testing::addEntry(*cursor_, "Kept");
  cursor_->beginAppend();
  cursor_->setValue("Name", "Dropped");
  EXPECT_TRUE(cursor_->appending());
  cursor_->cancel();
  EXPECT_EQ(cursor_->recno(), 1u);
  EXPECT_EQ(cursor_->count(), 1u);
  EXPECT_EQ(tableInfo(path_).recordCount, 1u);
}

TEST_F(Writing, StateErrors) {
  auto expectState = [](const std::function<void()>& action) {
    try {
      action();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::State);
    }
  };
  expectState([&] { cursor_->post(); });
  expectState([&] { cursor_->setValue("Name", "x"); });
  expectState([&] { cursor_->beginEdit(); });  // empty table: no current record
  expectState([&] { cursor_->pack(); });       // shared open
  cursor_->beginAppend();
  expectState([&] { cursor_->beginEdit(); });
  expectState([&] { cursor_->skip(); });
  cursor_->cancel();
}

TEST_F(Writing, FieldTextFormsAndRefusedValues) {
  TempFolder folder;
  createTable(folder / "kinds", "Num,Numeric,8,2;Flag,Logical;Day,Date;Count,Numeric,3;");
  auto c = Cursor::open(folder / "KINDS.DBF", OpenMode::Shared);
  c->beginAppend();
  c->setValue("Num", "3.5");
  c->setValue("Flag", "t");
  c->setValue("Day", "19991231");
  c->setValue("Count", "-12");
  c->post();
  EXPECT_EQ(c->value("Num"), "3.50");
  EXPECT_EQ(c->value("Flag"), "T");
  EXPECT_EQ(c->value("Day"), "19991231");
  EXPECT_EQ(c->value("Count"), "-12");

  c->beginEdit();
  struct Bad {
    const char* field;
    const char* text;
  } bad[] = {{"Num", "abc"},    {"Num", "123456789"},  {"Count", "1000"},
             {"Flag", "maybe"}, {"Day", "2026-03-07"}, {"Day", "2026037"}};
  for (const auto& b : bad) {
    try {
      c->setValue(b.field, b.text);
      ADD_FAILURE() << b.field << " accepted " << b.text;
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Argument) << b.text;
    }
  }
  c->setValue("Day", "");
  c->post();
  EXPECT_EQ(c->value("Day"), "");
  EXPECT_EQ(c->value("Num"), "3.50");  // refused values left the buffer alone
}

TEST_F(Writing, MemoThatFitsItsBlocksIsRewrittenInPlace) {
  testing::addEntry(*cursor_, "A", std::string(100, 'a'));  // 108 bytes: two 64-byte blocks
  testing::addEntry(*cursor_, "B", "b");
  const auto size = memoFileSize();
  const std::string pointerBefore = dbf().substr(130 + 31, 10);

  cursor_->go(1);
  cursor_->beginEdit();
  cursor_->setValue("Info", std::string(120, 'c'));
  cursor_->post();
  EXPECT_EQ(memoFileSize(), size);
  EXPECT_EQ(dbf().substr(130 + 31, 10), pointerBefore);
  EXPECT_EQ(cursor_->value("Info"), std::string(120, 'c'));

  cursor_->beginEdit();
  cursor_->setValue("Info", std::string(121, 'd'));  // 129 bytes: three blocks, goes to the end
  cursor_->post();
  EXPECT_GT(memoFileSize(), size);
  EXPECT_NE(dbf().substr(130 + 31, 10), pointerBefore);
  EXPECT_EQ(cursor_->value("Info"), std::string(121, 'd'));
  cursor_->go(2);
  EXPECT_EQ(cursor_->value("Info"), "b");  // the neighbour's memo is untouched

  const std::string fpt = testing::readFile(folder_ / "ADDRESS.fpt");
  EXPECT_EQ(static_cast<std::uint64_t>(be32(fpt, 0)) * 64, memoFileSize());  // next free block = end
}

TEST_F(Writing, EveryKindOfWriteStampsTheHeaderDate) {
  testing::addEntry(*cursor_, "Entry");
  const std::string today = cursor_->lastUpdate();
  auto backdate = [&] {
    std::string bytes = dbf();
    bytes[1] = 99;  // 03/07/99
    bytes[2] = 3;
    bytes[3] = 7;
    testing::writeFile(path_, bytes);
    ASSERT_EQ(cursor_->lastUpdate(), "03/07/99");
  };
  const std::function<void()> writes[] = {
      [&] { testing::addEntry(*cursor_, "Another"); },
      [&] {
        cursor_->first();
        cursor_->beginEdit();
        cursor_->setValue("Info", "changed");
        cursor_->post();
      },
      [&] {
        cursor_->first();
        cursor_->deleteRecord();
      },
  };
  for (const auto& write : writes) {
    backdate();
    write();
    EXPECT_EQ(cursor_->lastUpdate(), today);
  }
}

TEST_F(Writing, LargeAndBinaryMemosRoundTrip) {
  std::string memo;
  for (int i = 0; i < 70000; ++i) memo.push_back(static_cast<char>(i * 7 % 256));
  testing::addEntry(*cursor_, "Big", memo);
  testing::addEntry(*cursor_, "Small", "x");
  auto other = Cursor::open(path_, OpenMode::Shared);
  EXPECT_EQ(other->value("Info"), memo);
  other->skip();
  EXPECT_EQ(other->value("Info"), "x");
}

}  // namespace
}  // namespace xbase
