// What the table's files allow: a read-only file still reads but refuses
// every write before it starts, a pack keeps the files' modes and owner,
// and anything but a regular file is refused instead of waited on.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/ordinary_user.h"
#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"
#include "xbase/table_check.h"

namespace xbase {
namespace {

namespace fs = std::filesystem;
using testing::errorCodeOf;
using testing::TempFolder;
using testsupport::asOrdinaryUser;
using testsupport::kOrdinaryUser;

class FileAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::createAddressTable(folder_.path());
    auto cursor = Cursor::open(path_, OpenMode::Exclusive);
    cursor->createTag("Address", "upper(Name)");
    for (int i = 0; i < 5; ++i) testing::addEntry(*cursor, "Name " + std::to_string(i), "its memo");
    cursor.reset();
    for (const char* name : {"ADDRESS.DBF", "ADDRESS.fpt", "ADDRESS.CDX"})
      fs::permissions(folder_ / name,
                      fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec & ~fs::perms::others_exec);
    fs::permissions(folder_.path(), fs::perms::all);
  }
  void makeReadOnly(const char* name) {
    fs::permissions(folder_ / name, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  }
  TempFolder folder_;
  fs::path path_;
};

TEST_F(FileAccess, AReadOnlyIndexServesReadsAndRefusesWrites) {
  makeReadOnly("ADDRESS.CDX");
  const auto before = testing::readFile(folder_ / "ADDRESS.DBF");
  EXPECT_EQ(asOrdinaryUser([&] {
              auto cursor = Cursor::open(path_, OpenMode::Shared);
              cursor->setOrder("Address");
              int failed = cursor->seek("NAME 3") ? 0 : 1;
              failed += cursor->count() == 5 ? 0 : 2;
              failed += errorCodeOf([&] { testing::addEntry(*cursor, "New"); }) == ErrorCode::Io ? 0 : 4;
              cursor.reset();
              failed += errorCodeOf([&] { Cursor::open(path_, OpenMode::Exclusive)->reindex(); }) == ErrorCode::Io ? 0
                                                                                                                   : 8;
              return failed;
            }),
            0);
  EXPECT_EQ(testing::readFile(folder_ / "ADDRESS.DBF"), before);
}

TEST_F(FileAccess, PackRefusesAReadOnlyMemoFile) {
  makeReadOnly("ADDRESS.fpt");
  const auto dbf = testing::readFile(folder_ / "ADDRESS.DBF");
  EXPECT_EQ(asOrdinaryUser([&] {
              auto cursor = Cursor::open(path_, OpenMode::Exclusive);
              return errorCodeOf([&] { cursor->pack(); }) == ErrorCode::Io ? 0 : 1;
            }),
            0);
  EXPECT_EQ(testing::readFile(folder_ / "ADDRESS.DBF"), dbf);
  EXPECT_EQ(fs::status(folder_ / "ADDRESS.fpt").permissions(),
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(FileAccess, PackKeepsTheModesAndOwnerOfTheFiles) {
  const std::vector<std::pair<const char*, fs::perms>> modes = {
      {"ADDRESS.DBF", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read},
      {"ADDRESS.fpt", fs::perms::owner_read | fs::perms::owner_write},
      {"ADDRESS.CDX", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read},
  };
  struct stat st {};
  for (const auto& [name, mode] : modes) {
    fs::permissions(folder_ / name, mode);
    if (getuid() == 0) {
      ASSERT_EQ(chown((folder_ / name).c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    }
  }
  Cursor::open(path_, OpenMode::Exclusive)->pack();
  for (const auto& [name, mode] : modes) {
    EXPECT_EQ(fs::status(folder_ / name).permissions(), mode) << name;
    ASSERT_EQ(stat((folder_ / name).c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, getuid() == 0 ? kOrdinaryUser : getuid()) << name;
  }
}

TEST_F(FileAccess, ATableFileThatIsNotARegularFileIsRefused) {
  TempFolder other;
  ASSERT_EQ(mkfifo((other / "ADDRESS.DBF").c_str(), 0644), 0);
  EXPECT_EQ(errorCodeOf([&] { checkTable(other / "ADDRESS.DBF"); }), ErrorCode::Io);
  EXPECT_EQ(errorCodeOf([&] { Cursor::open(other / "ADDRESS.DBF", OpenMode::Shared); }), ErrorCode::Io);
}

}  // namespace
}  // namespace xbase
