// Damaged or half-written tables: records past the header's count, a cut
// memo file, a pack journal that does not verify, a pack or a batch of
// writes that fails midway. Nothing stored may be lost or hidden.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/dbf_bytes.h"
#include "xbase/error.h"
#include "xbase/table_check.h"

namespace xbase {
namespace {

using testing::errorCodeOf;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

constexpr int kEntries = 60;

class Damage : public ::testing::Test {
 protected:
  // A fresh table with kEntries entries, memos, dates and the tag, in its
  // own subfolder so that one test may damage several.
  std::filesystem::path freshTable() {
    const auto folder = folder_ / ("table" + std::to_string(++tables_));
    std::filesystem::create_directory(folder);
    const auto path = testing::createAddressTable(folder);
    auto cursor = Cursor::open(path, OpenMode::Exclusive);
    cursor->createTag("Address", "upper(Name)");
    for (int i = 0; i < kEntries; ++i)
      testing::addEntry(*cursor, "Name " + std::to_string(i), "memo of entry " + std::to_string(i), "20240131");
    return path;
  }
  static std::filesystem::path sibling(const std::filesystem::path& dbf, const std::string& name) {
    return dbf.parent_path() / name;
  }
  // The bytes of every file of the table's folder, by name.
  static std::map<std::string, std::string> filesOf(const std::filesystem::path& dbf) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dbf.parent_path()))
      files[entry.path().filename().string()] = readFile(entry.path());
    return files;
  }
  TempFolder folder_;
  int tables_ = 0;
};

bool anyLineHas(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

TEST_F(Damage, WholeRecordsPastTheCountAreTakenInAndAPartialOneKeptAside) {
  for (std::uint32_t counted : {kEntries - 10u, 0u}) {
    const auto path = freshTable();
    std::string dbf = readFile(path);
    writeLe32(dbf.data() + 4, counted);
    dbf.back() = 'p';  // the end-of-file mark gives way to a partial record
    dbf += "artial";
    writeFile(path, dbf);

    const auto faults = checkTable(path);
    EXPECT_TRUE(anyLineHas(faults, "holds 60 whole records")) << counted;
    EXPECT_TRUE(anyLineHas(faults, "partial record of 7 bytes")) << counted;
    {
      auto cursor = Cursor::open(path, OpenMode::Exclusive);
      EXPECT_EQ(cursor->count(), std::uint32_t{kEntries});
      cursor->setOrder("Address");
      EXPECT_TRUE(cursor->seek("NAME 59"));
      EXPECT_EQ(cursor->value("Info"), "memo of entry 59");
    }
    EXPECT_EQ(readFile(sibling(path, "ADDRESS.DBF.partial")), "partial");
    EXPECT_EQ(checkTable(path), std::vector<std::string>{}) << counted;
  }
}

TEST_F(Damage, WritesRefuseAMemoFileThatDoesNotHoldWhatItsHeaderSays) {
  const std::vector<std::pair<const char*, std::function<void(std::string&)>>> damages = {
      {"cut in half", [](std::string& fpt) { fpt.resize(fpt.size() / 2); }},
      {"block size 65535", [](std::string& fpt) { fpt[6] = fpt[7] = '\xFF'; }},
      {"100 bytes", [](std::string& fpt) { fpt.resize(100); }},
  };
  for (const auto& [what, damage] : damages) {
    const auto path = freshTable();
    std::string fpt = readFile(sibling(path, "ADDRESS.fpt"));
    damage(fpt);
    writeFile(sibling(path, "ADDRESS.fpt"), fpt);
    const auto before = filesOf(path);
    for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
      auto cursor = Cursor::open(path, mode);
      EXPECT_EQ(errorCodeOf([&] { testing::addEntry(*cursor, "New", "a memo"); }), ErrorCode::Corrupt) << what;
    }
    EXPECT_EQ(filesOf(path), before) << what;
  }
}

TEST_F(Damage, ABatchRolledBackLeavesEveryFileAsItWas) {
  // A bulk load gathers its appends; memos of 4000 bytes make it write
  // some of them before the rollback.
  for (const auto& [mode, bulk] :
       {std::pair{OpenMode::Shared, false}, {OpenMode::Exclusive, false}, {OpenMode::Exclusive, true}}) {
    const auto path = freshTable();
    const auto before = filesOf(path);
    auto cursor = Cursor::open(path, mode);
    cursor->setOrder("Address");
    cursor->beginBatch();
    if (bulk) cursor->beginBulkAppend();
    for (int i = 0; i < 300; ++i) testing::addEntry(*cursor, "Added " + std::to_string(i), std::string(4000, 'x'));
    cursor->rollbackBatch();
    EXPECT_EQ(cursor->count(), std::uint32_t{kEntries});
    cursor.reset();
    EXPECT_EQ(filesOf(path), before);
  }
}

TEST_F(Damage, APackJournalThatDoesNotVerifyIsKeptAndChangesNothing) {
  struct Case {
    const char* what;
    std::string packing;  // the new table file the journal names
    std::function<std::string(const std::string& packing)> journal;
  };
  const std::string otherTable = readFile(freshTable());
  std::filesystem::path current;  // the table of the case under way
  const auto memoRenamedToIndex = [&](const std::string& bytes) {
    return testing::packJournalLine("ADDRESS.DBF.packing", "ADDRESS.DBF", bytes) +
           testing::packJournalLine("ADDRESS.fpt", "ADDRESS.CDX", readFile(sibling(current, "ADDRESS.fpt")));
  };
  const std::vector<Case> cases = {
      {"names an empty file, old form", "", [](const std::string&) { return "ADDRESS.DBF.packing\tADDRESS.DBF\n"; }},
      {"names an empty file, verified", "",
       [](const std::string& bytes) { return testing::packJournalLine("ADDRESS.DBF.packing", "ADDRESS.DBF", bytes); }},
      {"other checksum", otherTable,
       [](const std::string& bytes) {
         return testing::packJournalLine("ADDRESS.DBF.packing", "ADDRESS.DBF", bytes + "x");
       }},
      {"garbage", otherTable, [](const std::string&) { return std::string("\x01\x02garbage\t\t\n", 12); }},
      {"size past 64 bits", otherTable,
       [](const std::string&) { return "ADDRESS.DBF.packing\tADDRESS.DBF\t123456789012345678901234\t0badc0de\n"; }},
      {"memo file over the index", otherTable, memoRenamedToIndex},
  };
  for (const Case& c : cases) {
    const auto path = current = freshTable();
    writeFile(sibling(path, "ADDRESS.DBF.packing"), c.packing);
    writeFile(sibling(path, "ADDRESS.DBF.packed"), c.journal(c.packing));
    const auto before = filesOf(path);
    EXPECT_EQ(errorCodeOf([&] { Cursor::open(path, OpenMode::Shared)->count(); }), ErrorCode::Corrupt) << c.what;
    EXPECT_EQ(errorCodeOf([&] { tableInfo(path); }), ErrorCode::Corrupt) << c.what;
    const auto faults = checkTable(path);
    ASSERT_EQ(faults.size(), 1u) << c.what;
    EXPECT_NE(faults[0].find("interrupted"), std::string::npos) << faults[0];
    EXPECT_EQ(filesOf(path), before) << c.what;
  }
}

// A journal without a complete line was cut while being written, before
// any rename: it and the new files go, the table stays as it was. One that
// is not a regular file is refused, never waited on.
TEST_F(Damage, AJournalCutBeforeItsFirstLineIsDroppedAndAFifoRefused) {
  for (const std::string journal : {"", "ADDRESS.DBF.pack"}) {
    const auto path = freshTable();
    const auto before = filesOf(path);
    writeFile(sibling(path, "ADDRESS.DBF.packing"), readFile(path));
    writeFile(sibling(path, "ADDRESS.fpt.packing"), "half a memo file");
    writeFile(sibling(path, "ADDRESS.DBF.packed"), journal);
    EXPECT_EQ(Cursor::open(path, OpenMode::Shared)->count(), std::uint32_t{kEntries});
    EXPECT_EQ(filesOf(path), before) << journal;
  }
  const auto path = freshTable();
  ASSERT_EQ(mkfifo(sibling(path, "ADDRESS.DBF.packed").c_str(), 0600), 0);
  EXPECT_EQ(errorCodeOf([&] { Cursor::open(path, OpenMode::Shared); }), ErrorCode::Corrupt);
  EXPECT_EQ(errorCodeOf([&] { tableInfo(path); }), ErrorCode::Corrupt);
}

TEST_F(Damage, AFailedPackRemovesItsNewFiles) {
  const auto path = freshTable();
  std::string fpt = readFile(sibling(path, "ADDRESS.fpt"));
  fpt.resize(fpt.size() / 2);  // the later memos cannot be read
  writeFile(sibling(path, "ADDRESS.fpt"), fpt);
  const auto before = filesOf(path);
  EXPECT_EQ(errorCodeOf([&] { Cursor::open(path, OpenMode::Exclusive)->pack(); }), ErrorCode::Corrupt);
  EXPECT_EQ(filesOf(path), before);
}

TEST_F(Damage, CheckFlagsDateBytesThatAreNotADate) {
  const auto path = freshTable();
  const TableInfo info = tableInfo(path);
  std::string dbf = readFile(path);
  const std::size_t headerLength = readLe16(dbf.data() + 8), recordLength = readLe16(dbf.data() + 10);
  std::size_t dateOffset = 1;
  for (const FieldInfo& f : info.fields) {
    if (f.type == 'D') break;
    dateOffset += static_cast<std::size_t>(f.length);
  }
  const std::vector<std::pair<std::string, bool>> dates = {
      {"2024x301", false}, {"20230229", false}, {"20241301", false}, {"20240431", false},
      {"2024-1-1", false}, {"        ", true},  {"20240229", true},  {"20001231", true},
  };
  for (std::size_t i = 0; i < dates.size(); ++i)
    dbf.replace(headerLength + i * recordLength + dateOffset, 8, dates[i].first);
  writeFile(path, dbf);
  const auto faults = checkTable(path);
  for (std::size_t i = 0; i < dates.size(); ++i)
    EXPECT_EQ(anyLineHas(faults, "record " + std::to_string(i + 1) + ": LASTDATE holds"), !dates[i].second)
        << dates[i].first;
}

}  // namespace
}  // namespace xbase
