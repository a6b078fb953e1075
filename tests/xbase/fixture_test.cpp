// Tables written by another FoxPro-compatible engine: read exactly as their
// dumps say, in natural and tag order, and maintained by us.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace xbase {
namespace {

using testing::TempFolder;
using Lines = std::vector<std::string>;

const std::filesystem::path kFixtures = std::filesystem::path(CARDLARK_FIXTURES_DIR) / "xbase";

// One dump line: record number, deletion mark, name, date, memo length and CRC-32.
std::string dumpLine(Cursor& cursor) {
  const std::string memo = cursor.value("Info");
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08lx",
                crc32(0, reinterpret_cast<const Bytef*>(memo.data()), static_cast<uInt>(memo.size())));
  return std::to_string(cursor.recno()) + "\t" + (cursor.deleted() ? "*" : "-") + "\t" + cursor.value("Name") + "\t" +
         cursor.value("LastDate") + "\t" + std::to_string(memo.size()) + "\t" + crc;
}

Lines readLines(const std::filesystem::path& path) {
  std::istringstream in(testing::readFile(path));
  Lines lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Lines withoutDeleted(const Lines& lines) {
  Lines kept;
  for (const auto& line : lines)
    if (line.find("\t*\t") == std::string::npos) kept.push_back(line);
  return kept;
}

// The dump line without its record number (which a pack changes).
std::string content(const std::string& line) { return line.substr(line.find('\t')); }

Lines walk(Cursor& cursor) {
  Lines lines;
  for (cursor.first(); !cursor.eof(); cursor.skip()) lines.push_back(dumpLine(cursor));
  return lines;
}

class Fixture : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    source_ = kFixtures / GetParam();
    if (!std::filesystem::exists(source_ / "ADDRESS.DBF")) GTEST_SKIP() << "no fixture " << source_;
    for (const char* name : {"ADDRESS.DBF", "ADDRESS.fpt", "ADDRESS.CDX"}) {
      std::filesystem::copy_file(source_ / name, folder_ / name);
      std::filesystem::permissions(folder_ / name, std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add);
    }
    path_ = folder_ / "ADDRESS.DBF";
  }
  std::filesystem::path source_;
  TempFolder folder_;
  std::filesystem::path path_;
};

TEST_P(Fixture, NaturalOrderMatchesItsDump) {
  auto cursor = Cursor::open(path_, OpenMode::Shared);
  const Lines expected = readLines(source_ / "natural.dump");
  Lines lines;
  for (std::uint32_t recno = 1; recno <= expected.size(); ++recno) {
    cursor->go(recno);
    lines.push_back(dumpLine(*cursor));
  }
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(walk(*cursor), withoutDeleted(expected));
  EXPECT_EQ(cursor->count(), withoutDeleted(expected).size());
}

TEST_P(Fixture, TagOrderMatchesItsDump) {
  auto cursor = Cursor::open(path_, OpenMode::Shared);
  cursor->setOrder("Address");
  EXPECT_EQ(walk(*cursor), withoutDeleted(readLines(source_ / "address-order.dump")));
}

TEST_P(Fixture, MaintainedHereAndPacked) {
  Lines expected = withoutDeleted(readLines(source_ / "address-order.dump"));
  std::string firstName;
  {
    auto cursor = Cursor::open(path_, OpenMode::Shared);
    cursor->setOrder("ADDRESS");
    testing::addEntry(*cursor, "Kim, New Entry", "a memo of our own", "20260307");
    ASSERT_TRUE(cursor->seek("KIM, NEW ENTRY"));
    cursor->first();  // its memo grows out of its blocks, then goes
    cursor->beginEdit();
    cursor->setValue("Info", std::string(5000, 'x'));
    cursor->post();
    cursor->beginEdit();
    cursor->setValue("Info", "");
    cursor->post();
    firstName = cursor->value("Name") + "\t" + cursor->value("LastDate");
  }
  expected[0] = "0\t-\t" + firstName + "\t0\t00000000";
  auto cursor = Cursor::open(path_, OpenMode::Exclusive);
  cursor->pack();
  cursor->setOrder("ADDRESS");
  Lines after;
  for (const auto& line : walk(*cursor)) after.push_back(content(line));
  const auto added = std::find(after.begin(), after.end(), "\t-\tKim, New Entry\t20260307\t17\t737550b1");
  ASSERT_NE(added, after.end());
  after.erase(added);
  Lines expectedContent;
  for (const auto& line : expected) expectedContent.push_back(content(line));
  EXPECT_EQ(after, expectedContent);
  EXPECT_EQ(cursor->count(), expected.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Foreign, Fixture, ::testing::Values("foreign-300", "foreign-1000"));

}  // namespace
}  // namespace xbase
