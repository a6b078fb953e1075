// Creating tables: the bytes of a new DBF and FPT, file names, field lists.

#include <gtest/gtest.h>

#include <ctime>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"
#include "xbase/table_files.h"

namespace xbase {
namespace {

using testing::TempFolder;

int byteAt(const std::string& bytes, std::size_t at) { return static_cast<unsigned char>(bytes.at(at)); }

TEST(CreateTable, WritesFoxProHeaderWithMemoAndUpperCaseNames) {
  TempFolder folder;
  createTable(folder / "Address", testing::kAddressFields);
  ASSERT_TRUE(std::filesystem::exists(folder / "ADDRESS.DBF"));
  ASSERT_TRUE(std::filesystem::exists(folder / "ADDRESS.fpt"));

  const std::string dbf = testing::readFile(folder / "ADDRESS.DBF");
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(byteAt(dbf, 0), 0xF5);
  EXPECT_EQ(byteAt(dbf, 1), local.tm_year);  // counted from 1900
  EXPECT_EQ(byteAt(dbf, 2), local.tm_mon + 1);
  EXPECT_EQ(byteAt(dbf, 3), local.tm_mday);
  EXPECT_EQ(byteAt(dbf, 4), 0);  // no records
  const int headerLength = byteAt(dbf, 8) | (byteAt(dbf, 9) << 8);
  EXPECT_EQ(headerLength, 32 + 3 * 32 + 2);
  EXPECT_EQ(byteAt(dbf, 10) | (byteAt(dbf, 11) << 8), 1 + 30 + 10 + 8);
  EXPECT_EQ(byteAt(dbf, 29), 0x03);
  EXPECT_EQ(byteAt(dbf, 32 + 3 * 32), 0x0D);
  EXPECT_EQ(dbf.size(), static_cast<std::size_t>(headerLength + 1));
  EXPECT_EQ(byteAt(dbf, dbf.size() - 1), 0x1A);
  EXPECT_EQ(dbf.substr(32, 4), "NAME");
  EXPECT_EQ(dbf[32 + 11], 'C');
  EXPECT_EQ(dbf[64 + 11], 'M');
  EXPECT_EQ(byteAt(dbf, 64 + 16), 10);
  EXPECT_EQ(dbf[96 + 11], 'D');

  const std::string fpt = testing::readFile(folder / "ADDRESS.fpt");
  ASSERT_EQ(fpt.size(), 512u);
  EXPECT_EQ(fpt.substr(0, 8), std::string("\0\0\0\x08\0\0\0\x40", 8));  // next free block 8, block size 64
}

TEST(CreateTable, TableInfoReportsWhatWasCreated) {
  TempFolder folder;
  createTable(folder / "people", "Name,C,20;Age,Numeric,3;Member,Logical;Born,Date", 32);
  TableInfo info = tableInfo(folder / "PEOPLE.DBF");
  EXPECT_EQ(info.version, 0x03);  // no memo field
  EXPECT_EQ(info.recordCount, 0u);
  EXPECT_EQ(info.memoBlockSize, 0);
  ASSERT_EQ(info.fields.size(), 4u);
  EXPECT_EQ(info.fields[1].name, "AGE");
  EXPECT_EQ(info.fields[1].type, 'N');
  EXPECT_EQ(info.fields[1].length, 3);
  EXPECT_EQ(info.lastUpdate.size(), 8u);
  EXPECT_EQ(info.lastUpdate[2], '/');
  EXPECT_FALSE(std::filesystem::exists(folder / "PEOPLE.fpt"));
}

TEST(CreateTable, BlockSizeZeroMeansSixtyFourAndOthersAreKept) {
  for (int asked : {0, 1, 32, 512, 1024}) {
    TempFolder folder;
    createTable(folder / "t", "Memo,Memo;", asked);
    TableInfo info = tableInfo(folder / "T.DBF");
    EXPECT_EQ(info.memoBlockSize, asked == 0 ? 64 : asked) << asked;
    auto cursor = Cursor::open(folder / "T.DBF", OpenMode::Shared);
    cursor->beginAppend();
    cursor->post();
    cursor->beginEdit();
    cursor->setValue("Memo", std::string(700, 'x'));
    cursor->post();
    EXPECT_EQ(cursor->value("Memo"), std::string(700, 'x')) << asked;
  }
}

TEST(CreateTable, IntegerFieldMakesAVisualFoxProTable) {
  TempFolder folder;
  createTable(folder / "v", "Id,Integer;Note,Memo;");
  EXPECT_EQ(tableInfo(folder / "V.DBF").version, 0x30);
  auto cursor = Cursor::open(folder / "V.DBF", OpenMode::Shared);
  cursor->beginAppend();
  cursor->setValue("Id", "-42");
  cursor->setValue("Note", "binary memo pointer");
  cursor->post();
  auto again = Cursor::open(folder / "V.DBF", OpenMode::Shared);
  EXPECT_EQ(again->value("ID"), "-42");
  EXPECT_EQ(again->value("note"), "binary memo pointer");
}

TEST(CreateTable, RefusesAnExistingTableAndBadFieldLists) {
  TempFolder folder;
  createTable(folder / "Address", testing::kAddressFields);
  EXPECT_THROW(createTable(folder / "address", testing::kAddressFields), Error);

  const char* bad[] = {
      "",                       // no field
      "Name,Char;",             // no width
      "Name,Char,0;",           // width 0
      "Name,Char,255;",         // too wide
      "Name,Blob,3;",           // unknown type
      "1Name,Char,3;",          // name starts with a digit
      "AVeryLongName,Char,3;",  // more than 10 characters
      "A,Char,3;a,Date;",       // the same name twice
      "Num,Numeric,5,4;",       // decimals leave no room
  };
  for (const char* list : bad) {
    TempFolder other;
    try {
      createTable(other / "t", list);
      ADD_FAILURE() << "accepted: " << list;
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Argument) << list;
    }
    EXPECT_FALSE(std::filesystem::exists(other / "T.DBF")) << list;
  }
}

TEST(CreateTable, RemovesAStaleMemoFileLeftWithoutItsTable) {
  TempFolder folder;
  testing::writeFile(folder / "ADDRESS.FPT", std::string(4096, 'x'));
  createTable(folder / "Address", testing::kAddressFields);
  EXPECT_FALSE(std::filesystem::exists(folder / "ADDRESS.FPT"));
  EXPECT_EQ(std::filesystem::file_size(folder / "ADDRESS.fpt"), 512u);
}

TEST(CreateTable, RemovesStaleFilesInEveryCaseAndTheTableIsFoundByOneRule) {
  TempFolder folder;
  for (const char* stale : {"address.fpt", "Address.CDX", "ADDRESS.cdx"}) testing::writeFile(folder / stale, "stale");
  createTable(folder / "Address", testing::kAddressFields);
  EXPECT_EQ(filesIgnoringCase(folder.path(), "ADDRESS.CDX"), std::vector<std::filesystem::path>{});
  EXPECT_EQ(filesIgnoringCase(folder.path(), "address.FPT"),
            std::vector<std::filesystem::path>{folder / "ADDRESS.fpt"});

  // The exact spelling first, then the others in byte order; folders never.
  for (const char* variant : {"address.DBF", "Address.dbf"}) testing::writeFile(folder / variant, "");
  std::filesystem::create_directory(folder / "ADDRESS.Dbf");
  EXPECT_EQ(
      filesIgnoringCase(folder.path(), "Address.dbf"),
      (std::vector<std::filesystem::path>{folder / "Address.dbf", folder / "ADDRESS.DBF", folder / "address.DBF"}));
  EXPECT_EQ(findIgnoringCase(folder.path(), "ADDRESS.dbf"), folder / "ADDRESS.DBF");
  EXPECT_EQ(findIgnoringCase(folder.path(), "ADDRESS.IDX"), std::filesystem::path());
  const TableFiles files = findTableFiles(folder.path(), "address");
  EXPECT_EQ(files.memo, folder / "ADDRESS.fpt");
  EXPECT_EQ(files.index, folder / "address.CDX");  // missing: the name asked for
}

}  // namespace
}  // namespace xbase
