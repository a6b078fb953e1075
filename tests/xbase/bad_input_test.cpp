// Damaged and foreign files: every fault is a clear xbase::Error, never a
// crash or a read outside a buffer; sound variants of the format are read.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace xbase {
namespace {

using testing::TempFolder;

// A table of two records with memos, as bytes to damage.
struct Sample {
  TempFolder folder;
  std::filesystem::path dbfPath, fptPath;
  std::string dbf, fpt;
  Sample() {
    dbfPath = testing::createAddressTable(folder.path());
    fptPath = folder / "ADDRESS.fpt";
    auto cursor = Cursor::open(dbfPath, OpenMode::Shared);
    testing::addEntry(*cursor, "One", "first memo", "20200101");
    testing::addEntry(*cursor, "Two", "second memo");
    cursor.reset();
    dbf = testing::readFile(dbfPath);
    fpt = testing::readFile(fptPath);
  }
  void write() {
    testing::writeFile(dbfPath, dbf);
    testing::writeFile(fptPath, fpt);
  }
};

void putLe(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
void putBe(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * (width - 1 - i))) & 0xFF);
}

// Opens the table and reads every value of every record.
void readEverything(const std::filesystem::path& path) {
  auto cursor = Cursor::open(path, OpenMode::Shared);
  for (cursor->first(); !cursor->eof(); cursor->skip())
    for (int f = 0; f < static_cast<int>(cursor->fields().size()); ++f) cursor->value(f);
  cursor->count();
}

constexpr std::size_t kRecord1 = 130, kRecordLength = 49;

TEST(BadInput, DamagedFilesGiveCorruptErrors) {
  struct Case {
    const char* what;
    std::function<void(Sample&)> damage;
  } cases[] = {
      {"empty DBF", [](Sample& s) { s.dbf.clear(); }},
      {"header cut", [](Sample& s) { s.dbf.resize(20); }},
      {"unknown version", [](Sample& s) { s.dbf[0] = 0x42; }},
      {"header length tiny", [](Sample& s) { putLe(s.dbf, 8, 10, 2); }},
      {"header length past the end", [](Sample& s) { putLe(s.dbf, 8, 60000, 2); }},
      {"record length zero", [](Sample& s) { putLe(s.dbf, 10, 0, 2); }},
      {"fields wider than the record", [](Sample& s) { putLe(s.dbf, 10, 20, 2); }},
      {"field width zero", [](Sample& s) { s.dbf[32 + 16] = 0; }},
      {"memo width odd", [](Sample& s) { s.dbf[64 + 16] = 7; }},
      {"field without a name", [](Sample& s) { s.dbf[32] = 0; }},
      {"memo pointer past the end", [](Sample& s) { s.dbf.replace(kRecord1 + 31, 10, "    999999"); }},
      {"memo pointer huge", [](Sample& s) { s.dbf.replace(kRecord1 + 31, 10, "4294967295"); }},
      {"memo pointer too big for 32 bits", [](Sample& s) { s.dbf.replace(kRecord1 + 31, 10, "9999999999"); }},
      {"memo pointer into the header", [](Sample& s) { s.dbf.replace(kRecord1 + 31, 10, "         2"); }},
      {"memo pointer not a number", [](Sample& s) { s.dbf.replace(kRecord1 + 31, 10, "     12x45"); }},
      {"memo length absurd", [](Sample& s) { putBe(s.fpt, 512 + 4, 0x7FFFFFF0, 4); }},
      {"memo file cut", [](Sample& s) { s.fpt.resize(520); }},
      {"memo file empty", [](Sample& s) { s.fpt.clear(); }},
      {"memo block size zero", [](Sample& s) { putBe(s.fpt, 6, 0, 2); }},
  };
  for (auto& c : cases) {
    Sample sample;
    c.damage(sample);
    sample.write();
    try {
      readEverything(sample.dbfPath);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Corrupt) << c.what << ": " << e.what();
      EXPECT_GT(std::string(e.what()).size(), 10u) << c.what;
    }
  }
}

TEST(BadInput, RecordCountIsCheckedAgainstTheFileSize) {
  Sample sample;
  putLe(sample.dbf, 4, 1000000, 4);  // count far beyond the file
  sample.write();
  auto cursor = Cursor::open(sample.dbfPath, OpenMode::Shared);
  EXPECT_EQ(cursor->count(), 2u);
  EXPECT_EQ(tableInfo(sample.dbfPath).recordCount, 2u);

  sample.dbf.resize(kRecord1 + kRecordLength + 20);  // the second record cut in half
  sample.write();
  auto again = Cursor::open(sample.dbfPath, OpenMode::Shared);
  EXPECT_EQ(again->count(), 1u);
  testing::addEntry(*again, "Three");  // an append repairs the tail
  EXPECT_EQ(testing::walkNames(*again), (std::vector<std::string>{"One", "Three"}));
}

TEST(BadInput, RecordsPastTheCountAreTakenInByTheNextAppend) {
  Sample sample;
  putLe(sample.dbf, 4, 1, 4);  // as after an append stopped before its header write
  sample.write();
  auto cursor = Cursor::open(sample.dbfPath, OpenMode::Shared);
  EXPECT_EQ(testing::walkNames(*cursor), (std::vector<std::string>{"One"}));
  testing::addEntry(*cursor, "New");  // not over the record past the count
  EXPECT_EQ(testing::walkNames(*cursor), (std::vector<std::string>{"One", "Two", "New"}));
}

TEST(BadInput, MemoHeaderPointingBackwardsNeverOverwritesMemos) {
  Sample sample;
  putBe(sample.fpt, 0, 0, 4);  // next free block 0: into the header
  sample.write();
  {
    auto cursor = Cursor::open(sample.dbfPath, OpenMode::Shared);
    testing::addEntry(*cursor, "Three", "third memo");
  }
  auto cursor = Cursor::open(sample.dbfPath, OpenMode::Shared);
  std::vector<std::string> memos;
  for (cursor->first(); !cursor->eof(); cursor->skip()) memos.push_back(cursor->value("Info"));
  EXPECT_EQ(memos, (std::vector<std::string>{"first memo", "second memo", "third memo"}));
}

TEST(BadInput, MissingMemoFileIsReported) {
  Sample sample;
  std::filesystem::remove(sample.fptPath);
  try {
    Cursor::open(sample.dbfPath, OpenMode::Shared);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::NotFound);
  }
  try {
    Cursor::open(sample.folder / "NOTHERE.DBF", OpenMode::Shared);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::NotFound);
  }
}

TEST(BadInput, UnreadableIndexDirectoryNamesTheFileToRemove) {
  Sample sample;
  Cursor::open(sample.dbfPath, OpenMode::Exclusive)->createTag("Address", "upper(Name)");
  testing::writeFile(sample.folder / "ADDRESS.CDX", std::string(1024, '\xFF'));
  try {
    Cursor::open(sample.dbfPath, OpenMode::Shared);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::Corrupt);
    EXPECT_NE(std::string(e.what()).find("Remove ADDRESS.CDX"), std::string::npos) << e.what();
  }
  std::filesystem::remove(sample.folder / "ADDRESS.CDX");
  auto cursor = Cursor::open(sample.dbfPath, OpenMode::Exclusive);
  cursor->createTag("Address", "upper(Name)");
  cursor->setOrder("Address");
  EXPECT_EQ(testing::walkNames(*cursor), (std::vector<std::string>{"One", "Two"}));
}

TEST(BadInput, DbaseMemoTablesAreUnsupported) {
  Sample sample;
  sample.dbf[0] = static_cast<char>(0x83);
  sample.write();
  try {
    Cursor::open(sample.dbfPath, OpenMode::Shared);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::Unsupported);
  }
}

TEST(BadInput, ForeignVariantsAreRead) {
  Sample sample;
  // Memo and index files found whatever the case of their extension.
  std::filesystem::rename(sample.fptPath, sample.folder / "ADDRESS.FPT");
  // A tool that wrote the two-digit year.
  sample.dbf[1] = 26;
  sample.dbf[2] = 3;
  sample.dbf[3] = 7;
  testing::writeFile(sample.dbfPath, sample.dbf);
  auto cursor = Cursor::open(sample.dbfPath, OpenMode::Shared);
  EXPECT_EQ(cursor->lastUpdate(), "03/07/26");
  EXPECT_EQ(cursor->value("Info"), "first memo");
  sample.dbf[1] = 126;
  testing::writeFile(sample.dbfPath, sample.dbf);
  EXPECT_EQ(cursor->lastUpdate(), "03/07/26");
}

TEST(BadInput, VisualFoxProHeaderWithBacklinkIsRead) {
  TempFolder folder;
  // Version 0x30: two descriptors (Char 5, Integer), the terminator, then
  // the 263-byte backlink area; the header length field says where records start.
  std::string fixed(32 + 64 + 1 + 263, '\0');
  fixed[0] = 0x30;
  putLe(fixed, 4, 2, 4);
  putLe(fixed, 8, static_cast<std::uint32_t>(fixed.size()), 2);
  putLe(fixed, 10, 1 + 5 + 4, 2);
  fixed.replace(32, 4, "CODE");
  fixed[32 + 11] = 'C';
  fixed[32 + 16] = 5;
  fixed.replace(64, 2, "ID");
  fixed[64 + 11] = 'I';
  fixed[64 + 16] = 4;
  fixed[96] = 0x0D;
  fixed.replace(100, 4, "JUNK");  // backlink bytes are not descriptors
  fixed += std::string(" abc  ") + std::string("\x07\0\0\0", 4) + "*xyz  " + std::string("\xFF\xFF\xFF\xFF", 4) +
           "\x1A";
  testing::writeFile(folder / "VFP.DBF", fixed);
  auto cursor = Cursor::open(folder / "VFP.DBF", OpenMode::Shared);
  ASSERT_EQ(cursor->fields().size(), 2u);
  EXPECT_EQ(cursor->value("code"), "abc");
  EXPECT_EQ(cursor->value("id"), "7");
  EXPECT_EQ(cursor->count(), 1u);
  cursor->go(2);
  EXPECT_EQ(cursor->value("id"), "-1");
}

}  // namespace
}  // namespace xbase
