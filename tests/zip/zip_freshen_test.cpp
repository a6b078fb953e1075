// Freshening: which entries are added, replaced or kept, and that kept
// entries (also those another tool wrote) come through byte for byte.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "book/table_layout.h"
#include "support/ordinary_user.h"
#include "zip/table_backup.h"
#include "zip/zip_archive.h"
#include "zip/zip_error.h"
#include "zip_test_files.h"

namespace {

using namespace ziptest;
using zip::FreshenResult;
using zip::ZipArchive;

std::vector<std::string> entryNames(const std::string& path) {
  ZipArchive archive = ZipArchive::open(path);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < archive.entryCount(); ++i) names.push_back(archive.entry(i).name);
  return names;
}

class Freshen : public ::testing::Test {
 public:
  void SetUp() override {
    writeFile(folder / "ADDRESS.DBF", compressibleText(20000));
    writeFile(folder / "ADDRESS.fpt", compressibleText(9000));
    stamp("ADDRESS.DBF", 10);
    stamp("ADDRESS.fpt", 10);
    backUp();
  }
  void stamp(const std::string& name, int second) {
    setLocalModificationTime(folder / name, 2025, 6, 1, 9, 30, second);
  }
  zip::BackupResult backUp() { return zip::backupFiles(zip(), book::filesToBackUp(folder.path())); }
  std::string zip() const { return folder / "KTdata.zip"; }

  TempFolder folder;
};

TEST_F(Freshen, UnchangedFilesKeepTheirEntriesAndTheArchiveIsNotRewritten) {
  const std::string before = readFile(zip());
  const auto inodeBefore = std::filesystem::last_write_time(zip());
  stamp("ADDRESS.DBF", 11);  // same two-second slot as 10
  zip::BackupResult result = backUp();
  EXPECT_EQ(result.files.at(0).second, FreshenResult::Kept);
  EXPECT_EQ(result.files.at(1).second, FreshenResult::Kept);
  EXPECT_FALSE(result.save.written);
  EXPECT_EQ(readFile(zip()), before);
  EXPECT_EQ(std::filesystem::last_write_time(zip()), inodeBefore);
}

TEST_F(Freshen, AnyDifferenceInDateTimeOrSizeReplacesTheEntryInPlace) {
  struct Case {
    const char* what;
    std::function<void(Freshen&)> change;
  };
  const Case cases[] = {
      {"older stamp", [](Freshen& f) { setLocalModificationTime(f.folder / "ADDRESS.DBF", 2019, 1, 1, 0, 0, 0); }},
      {"next two-second slot", [](Freshen& f) { f.stamp("ADDRESS.DBF", 12); }},
      {"same stamp, other size",
       [](Freshen& f) {
         writeFile(f.folder / "ADDRESS.DBF", compressibleText(20001));
         f.stamp("ADDRESS.DBF", 10);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(zip());
    SetUp();
    c.change(*this);
    zip::BackupResult result = backUp();
    EXPECT_EQ(result.files.at(0).second, FreshenResult::Replaced);
    EXPECT_EQ(result.files.at(1).second, FreshenResult::Kept);
    EXPECT_EQ(entryNames(zip()), (std::vector<std::string>{"ADDRESS.DBF", "ADDRESS.fpt"}));
    ZipArchive archive = ZipArchive::open(zip());
    EXPECT_EQ(archive.entry(0).uncompressedSize, std::filesystem::file_size(folder / "ADDRESS.DBF"));
  }
}

// A table rewritten within the same two seconds at the same size (a record
// deleted, a memo block reused) has the entry's stamp and size but other
// bytes: the entry is replaced, not kept stale.
TEST_F(Freshen, NewBytesUnderTheSameStampAndSizeReplaceTheEntry) {
  std::string changed = compressibleText(20000);
  changed[15000] = '*';
  writeFile(folder / "ADDRESS.DBF", changed);
  stamp("ADDRESS.DBF", 11);
  zip::BackupResult result = backUp();
  EXPECT_EQ(result.files.at(0).second, FreshenResult::Replaced);
  EXPECT_EQ(result.files.at(1).second, FreshenResult::Kept);
  int status = -1;
  EXPECT_EQ(runShell("unzip -p " + shellQuote(zip()) + " ADDRESS.DBF", &status), changed);
  EXPECT_EQ(status, 0);
}

TEST_F(Freshen, NamesCompareWithoutCaseAndNewNamesGoAfterTheExistingEntries) {
  std::filesystem::rename(folder / "ADDRESS.fpt", folder / "address.FPT");
  writeFile(folder / "address.FPT", "changed memo file");
  writeFile(folder / "NOTES.TXT", "new");
  ZipArchive archive = ZipArchive::open(zip());
  EXPECT_EQ(archive.freshen(folder / "NOTES.TXT"), FreshenResult::Added);
  EXPECT_EQ(archive.freshen(folder / "address.FPT"), FreshenResult::Replaced);
  archive.save();
  EXPECT_EQ(entryNames(zip()), (std::vector<std::string>{"ADDRESS.DBF", "address.FPT", "NOTES.TXT"}));
}

TEST_F(Freshen, MissingFoldersAndHiddenFilesAreSkippedAndOtherEntriesStay) {
  std::filesystem::remove(folder / "ADDRESS.fpt");
  std::filesystem::create_directory(folder / "ADDRESS.DBX");
  writeFile(folder / ".hidden", "x");
  ZipArchive archive = ZipArchive::open(zip());
  EXPECT_EQ(archive.freshen(folder / "ADDRESS.fpt"), FreshenResult::Skipped);
  EXPECT_EQ(archive.freshen(folder / "ADDRESS.DBX"), FreshenResult::Skipped);
  EXPECT_EQ(archive.freshen(folder / ".hidden"), FreshenResult::Skipped);
  EXPECT_FALSE(archive.hasUnsavedChanges());
  EXPECT_EQ(entryNames(zip()), (std::vector<std::string>{"ADDRESS.DBF", "ADDRESS.fpt"}));
}

TEST_F(Freshen, WithoutAMemoFileANewArchiveHoldsOneEntry) {
  std::filesystem::remove(zip());
  std::filesystem::remove(folder / "ADDRESS.fpt");
  backUp();
  EXPECT_EQ(entryNames(zip()), (std::vector<std::string>{"ADDRESS.DBF"}));
}

// A table file that is missing, a FIFO (which must not make the backup wait
// for a writer) or a folder fails the backup, naming it and the reason; the
// archive stays byte for byte as it was.
TEST_F(Freshen, AMissingOrIrregularTableFileFailsTheBackupAndKeepsTheArchive) {
  struct Case {
    const char* file;
    std::function<void(const std::string&)> replace;
    const char* reason;
  };
  const Case cases[] = {
      {"ADDRESS.DBF", [](const std::string&) {}, "No such file or directory"},
      {"ADDRESS.DBF", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
       "not an ordinary file"},
      {"ADDRESS.fpt", [](const std::string& path) { std::filesystem::create_directory(path); }, "not an ordinary file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    SetUp();
    const std::string before = readFile(zip()), path = folder / c.file;
    std::filesystem::remove(path);
    c.replace(path);
    try {
      backUp();
      ADD_FAILURE() << "the backup did not fail";
    } catch (const zip::ZipError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Cannot back up " + path + ": " + c.reason + "; the backup " + zip() + " was left as it was");
    }
    EXPECT_EQ(readFile(zip()), before);
    std::filesystem::remove(path);
  }
}

// A file that goes away or becomes a FIFO between freshen() and save():
// left out or failing, never waited for.
TEST_F(Freshen, AFileThatCannotBeReadKeepsItsPreviousEntry) {
  for (bool fifo : {false, true}) {
    SCOPED_TRACE(fifo ? "FIFO" : "removed");
    SetUp();
    const std::string before = readFile(zip()), memo = folder / "ADDRESS.fpt";
    writeFile(memo, "newer memo");
    ZipArchive archive = ZipArchive::open(zip());
    ASSERT_EQ(archive.freshen(memo), FreshenResult::Replaced);
    std::filesystem::remove(memo);  // gone before the save reads it
    if (fifo) {
      ASSERT_EQ(::mkfifo(memo.c_str(), 0600), 0);
      EXPECT_THROW(archive.save(ZipArchive::Unreadable::Fail), zip::ZipError);
    }
    zip::SaveReport report = archive.save();
    EXPECT_EQ(report.unreadable, std::vector<std::string>{memo});
    EXPECT_EQ(readFile(zip()), before);
    std::filesystem::remove(memo);
  }
}

// A table file that exists but cannot be read fails the backup with its name
// and the reason, and the archive stays byte for byte as it was.
TEST_F(Freshen, AnUnreadableTableFileFailsTheBackupAndKeepsTheArchive) {
  const std::string before = readFile(zip());
  for (const char* name : {"ADDRESS.DBF", "ADDRESS.fpt"}) {
    writeFile(folder / name, "newer");
    ::chmod((folder / name).c_str(), 0);
  }
  std::filesystem::permissions(folder.path(), std::filesystem::perms::all);  // the child may write the archive
  const std::string expected = "Cannot read " + (folder / "ADDRESS.DBF").string() + ": Permission denied; the backup " +
                               zip() + " was left as it was";
  EXPECT_EQ(testsupport::asOrdinaryUser([&] {
              try {
                backUp();
              } catch (const zip::ZipError& e) {
                return e.what() == expected ? 0 : 1;
              }
              return 2;
            }),
            0);
  EXPECT_EQ(readFile(zip()), before);
  EXPECT_EQ(folder.fileCount(), 3u);
}

// A backup killed before its commit leaves its hidden temporary file; the
// next backup removes it, but not one another backup is still writing.
TEST_F(Freshen, TemporaryFilesOfKilledBackupsAreRemoved) {
  const std::string stale = folder / ".KTdata.zip.123456.tmp", busy = folder / ".KTdata.zip.654321.tmp",
                    other = folder / ".KTdata.zip.notours.tmp";
  for (const std::string& path : {stale, busy, other}) writeFile(path, "partial archive");
  const int held = ::open(busy.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  stamp("ADDRESS.DBF", 20);
  backUp();
  ::close(held);
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(busy));
  EXPECT_TRUE(std::filesystem::exists(other));
}

// An archive written by Debian's zip (extra fields, Unix attributes, a comment),
// and one it streamed with data descriptors: freshening adds our entry and
// keeps each of theirs and the comment byte for byte.
TEST(FreshenForeign, EntriesAndCommentOfAnotherToolComeThroughUnchanged) {
  for (const char* streamed : {"", "streamed"}) {
    SCOPED_TRACE(*streamed ? "data descriptors" : "plain");
    TempFolder folder;
    writeFile(folder / "a.txt", compressibleText(30000));
    writeFile(folder / "b.bin", randomBytes(2000));
    for (const char* name : {"a.txt", "b.bin"}) setLocalModificationTime(folder / name, 2024, 2, 2, 2, 2, 2);
    const std::string zip = folder / "foreign.zip";
    int status = -1;
    const std::string zipCommand = *streamed ? "zip -q - a.txt b.bin | cat > foreign.zip"
                                             : "zip -q -z foreign.zip a.txt b.bin <<< 'kept comment'";
    runShell("cd " + shellQuote(folder.path()) + " && bash -c " + shellQuote(zipCommand), &status);
    ASSERT_EQ(status, 0);
    ZipArchive before = ZipArchive::open(zip);
    const std::string original = readFile(zip);

    writeFile(folder / "ADDRESS.DBF", compressibleText(5000));
    zip::BackupResult result = zip::backupFiles(zip, {folder / "a.txt", folder / "ADDRESS.DBF"});
    EXPECT_EQ(result.files.at(0).second, FreshenResult::Kept);
    EXPECT_EQ(result.files.at(1).second, FreshenResult::Added);

    ZipArchive after = ZipArchive::open(zip);
    ASSERT_EQ(after.entryCount(), 3u);
    EXPECT_EQ(after.comment(), before.comment());
    const std::string rewritten = readFile(zip);
    for (std::size_t i = 0; i < 2; ++i) {
      zip::CentralEntry kept = after.entry(i), old = before.entry(i);
      SCOPED_TRACE(old.name);
      // Every central value but the header offset, and the compressed data.
      EXPECT_EQ(zip::encodeCentralHeader(kept).substr(0, 42), zip::encodeCentralHeader(old).substr(0, 42));
      EXPECT_EQ(zip::encodeCentralHeader(kept).substr(46), zip::encodeCentralHeader(old).substr(46));
      const auto dataOf = [](const std::string& bytes, std::uint32_t local, std::uint32_t size) {
        const std::size_t start = local + 30 + le16(bytes, local + 26) + le16(bytes, local + 28);
        return bytes.substr(start, size);
      };
      EXPECT_EQ(dataOf(rewritten, kept.localHeaderOffset, kept.compressedSize),
                dataOf(original, old.localHeaderOffset, old.compressedSize));
    }
    EXPECT_EQ(after.entry(2).name, "ADDRESS.DBF");
    runShell("unzip -tq " + shellQuote(zip), &status);
    EXPECT_EQ(status, 0);
  }
}

}  // namespace
