// Our archives as other readers see them: Debian's unzip and zipinfo, and
// Python's zipfile module, must accept them and agree on every header value.

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

#include "zip/table_backup.h"
#include "zip_test_files.h"

namespace {

using namespace ziptest;

// Prints one line per entry: raw name in hex, then the header values
// zipfile decoded, then the result of its full CRC test of the data.
constexpr const char* kPythonLister = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        raw = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
        print(raw.hex(), i.create_system, i.create_version, i.extract_version, i.flag_bits,
              i.compress_type, '%04d-%02d-%02d.%02d:%02d:%02d' % i.date_time, '%08x' % i.CRC,
              i.compress_size, i.file_size, hex(i.external_attr), len(i.extra), len(i.comment))
    print('bad:', z.testzip())
)";

std::string hexOf(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

class Interop : public ::testing::Test {
 protected:
  struct File {
    std::string name, content;
    int madeBy, needed, method;
  };
  void SetUp() override {
    files = {{"ADDRESS.DBF", compressibleText(60000), 0, 20, 8},
             {"ADDRESS.fpt", compressibleText(25000), 0, 20, 8},
             {"empty.fpt", "", 0, 10, 0},
             {"noise.bin", randomBytes(9000), 0, 10, 0},
             // Large enough to be deflated in blocks on several threads.
             {"MEMO.fpt", compressibleText(1500000) + randomBytes(600000) + compressibleText(900000), 0, 20, 8},
             {"Stra\xC3\x9F"
              "e.dbf",
              compressibleText(4000), 11, 20, 8}};
    std::vector<std::string> paths;
    for (const File& f : files) {
      writeFile(folder / f.name, f.content);
      setLocalModificationTime(folder / f.name, 2023, 11, 30, 23, 59, 59);
      paths.push_back(folder / f.name);
    }
    zip::backupFiles(zip(), paths);
  }
  std::string zip() const { return folder / "KTdata.zip"; }

  TempFolder folder;
  std::vector<File> files;
};

TEST_F(Interop, UnzipTestsEveryEntryAndExtractsTheSameBytes) {
  int status = -1;
  std::string output = runShell("unzip -t " + shellQuote(zip()), &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("No errors detected"), std::string::npos) << output;
  for (const File& f : files) {
    if (f.madeBy != 0) continue;  // unzip recodes non-ASCII names from the DOS code page
    EXPECT_EQ(runShell("unzip -p " + shellQuote(zip()) + " " + shellQuote(f.name), &status), f.content) << f.name;
  }
}

TEST_F(Interop, PythonZipfileReadsTheHeaderValuesWeWrote) {
  writeFile(folder / "lister.py", kPythonLister);
  int status = -1;
  std::istringstream lines(runShell("python3 " + shellQuote(folder / "lister.py") + " " + shellQuote(zip()), &status));
  ASSERT_EQ(status, 0) << lines.str();
  for (const File& f : files) {
    SCOPED_TRACE(f.name);
    std::string line;
    std::getline(lines, line);
    const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(f.content.data()), static_cast<uInt>(f.content.size()));
    char crcText[9];
    std::snprintf(crcText, sizeof crcText, "%08lx", static_cast<unsigned long>(crc));
    std::ostringstream expected;
    expected << hexOf(f.name) << ' ' << f.madeBy << " 20 " << f.needed << " 0 " << f.method << " 2023-11-30.23:59:58 "
             << crcText << ' ';
    EXPECT_EQ(line.substr(0, expected.str().size()), expected.str());
    std::istringstream rest(line.substr(expected.str().size()));
    std::size_t compressed = 0, size = 0;
    std::string attributes, extra, comment;
    rest >> compressed >> size >> attributes >> extra >> comment;
    EXPECT_EQ(size, f.content.size());
    if (f.method == 0) {
      EXPECT_EQ(compressed, size);
    }
    EXPECT_EQ(attributes + extra + comment, "0x2000");
  }
  std::string last;
  std::getline(lines, last);
  EXPECT_EQ(last, "bad: None");
}

TEST_F(Interop, ZipinfoNamesTheHostAndVersionsOfEachEntry) {
  int status = -1;
  const std::string verbose = runShell("zipinfo -v " + shellQuote(zip()), &status);
  ASSERT_EQ(status, 0) << verbose;
  std::size_t at = 0;
  for (const File& f : files) {
    SCOPED_TRACE(f.name);
    at = verbose.find("Central directory entry #", at + 1);
    ASSERT_NE(at, std::string::npos);
    const std::string entry = verbose.substr(at, verbose.find("Central directory entry #", at + 1) - at);
    const auto has = [&](const std::string& text) { return entry.find(text) != std::string::npos; };
    EXPECT_TRUE(has(f.madeBy == 11 ? "operating system of origin:      NTFS"
                                   : "operating system of origin:      MS-DOS, OS/2 or NT FAT"));
    EXPECT_TRUE(
        has(std::string("minimum software version required to extract:   ") + (f.needed == 20 ? "2.0" : "1.0")));
    EXPECT_TRUE(has(f.method == 8 ? "compression method:                             deflated"
                                  : "compression method:                             none (stored)"));
    EXPECT_TRUE(has("2023 Nov 30 23:59:58"));
    EXPECT_TRUE(has("MS-DOS file attributes (20 hex):                arc"));
    EXPECT_TRUE(has("uncompressed size:                              " + std::to_string(f.content.size()) + " bytes"));
  }
}

}  // namespace
