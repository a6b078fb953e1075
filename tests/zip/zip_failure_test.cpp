// Archives that must be refused, and saves that fail halfway: the old
// archive stays byte for byte as it was and no temporary file is left.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <random>

#include "book/table_layout.h"
#include "fileio/file_calls.h"
#include "zip/table_backup.h"
#include "zip/zip_archive.h"
#include "zip/zip_error.h"
#include "zip_test_files.h"

namespace {

using namespace ziptest;
using zip::ZipArchive;
using zip::ZipError;
using zip::ZipErrorKind;

// Makes every write past `limit` bytes of any file fail (EFBIG), as a full
// disk would, for the life of the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t previousHandler_{};
};

ZipErrorKind openErrorKind(const std::string& path, std::string* text = nullptr) {
  try {
    ZipArchive::open(path);
  } catch (const ZipError& e) {
    if (text) *text = e.what();
    return e.kind();
  }
  ADD_FAILURE() << "opened " << path;
  return ZipErrorKind::Io;
}

// Backs the table's two files in `folder` up into KTdata.zip and changes
// them; returns the archive as it was. The table file is large enough to be
// deflated on the worker threads.
std::string archiveThenChangeFiles(TempFolder& folder) {
  writeFile(folder / "ADDRESS.DBF", compressibleText(1200000));
  writeFile(folder / "ADDRESS.fpt", randomBytes(100000));
  zip::backupFiles(folder / "KTdata.zip", book::filesToBackUp(folder.path()));
  writeFile(folder / "ADDRESS.DBF", compressibleText(1200100));
  writeFile(folder / "ADDRESS.fpt", randomBytes(100100, 8));
  return readFile(folder / "KTdata.zip");
}

TEST(ZipFailure, AWriteFailingAnywhereLeavesTheOldArchiveWhole) {
  TempFolder folder;
  const std::string old = archiveThenChangeFiles(folder);
  // Learn the new archive's size on a copy, to let writes fail in each part:
  // a local header, deflated data, stored data, the directory, the end record.
  std::filesystem::copy_file(folder / "KTdata.zip", folder / "probe.zip");
  zip::backupFiles(folder / "probe.zip", book::filesToBackUp(folder.path()));
  const rlim_t newSize = std::filesystem::file_size(folder / "probe.zip");
  std::filesystem::remove(folder / "probe.zip");
  for (rlim_t limit : {rlim_t{0}, rlim_t{20}, rlim_t{5000}, newSize - 50000, newSize - 22 - 60, newSize - 5}) {
    SCOPED_TRACE(limit);
    ZipArchive archive = ZipArchive::open(folder / "KTdata.zip");
    archive.freshen(folder / "ADDRESS.DBF");
    archive.freshen(folder / "ADDRESS.fpt");
    try {
      FileSizeLimit full(limit);
      archive.save();
      ADD_FAILURE() << "save succeeded";
    } catch (const ZipError& e) {
      EXPECT_EQ(e.kind(), ZipErrorKind::Io) << e.what();
    }
    EXPECT_EQ(readFile(folder / "KTdata.zip"), old);
    EXPECT_EQ(folder.fileCount(), 3u);  // the table's two files and the archive, no leftovers
    // The same archive object saves once the disk has room again.
    EXPECT_TRUE(archive.save().written);
    EXPECT_EQ(ZipArchive::open(folder / "KTdata.zip").entry(1).uncompressedSize, 100100u);
    writeFile(folder / "KTdata.zip", old);
  }
}

// Raises `cancel` once the zip writer has made `writes` writes, as a Cancel
// pressed in the middle of a backup would, for the life of the object.
class CancelAfterWrites {
 public:
  explicit CancelAfterWrites(int writes) {
    left_ = writes;
    cancel.store(false);
    fileio::calls.pwrite = [](int fd, const void* buffer, std::size_t length, off_t offset) {
      if (--left_ == 0) cancel.store(true);
      return ::pwrite(fd, buffer, length, offset);
    };
  }
  ~CancelAfterWrites() { fileio::calls = fileio::kSystemCalls; }
  static inline std::atomic<bool> cancel{false};

 private:
  static inline int left_ = 0;
};

TEST(ZipFailure, ACancelledBackupLeavesTheOldArchiveWhole) {
  TempFolder folder;
  const std::string old = archiveThenChangeFiles(folder);
  for (const int writes : {1, 2, 5}) {  // a local header, deflated data, the second file
    SCOPED_TRACE(writes);
    const CancelAfterWrites cancelling(writes);
    try {
      zip::backupFiles(folder / "KTdata.zip", book::filesToBackUp(folder.path()), &CancelAfterWrites::cancel);
      ADD_FAILURE() << "not cancelled";
    } catch (const ZipError& e) {
      EXPECT_EQ(e.kind(), ZipErrorKind::Stopped) << e.what();
    }
    EXPECT_EQ(readFile(folder / "KTdata.zip"), old);
    EXPECT_EQ(folder.fileCount(), 3u);  // no temporary file left
  }
}

TEST(ZipFailure, AFileThatIsNotAnArchiveIsRefusedAndLeftUntouched) {
  const std::string notArchives[] = {"x", "plain text, long enough to hold an end record but none",
                                     std::string(70000, 'P'), "PK\x03\x04 only a local header signature"};
  for (const std::string& content : notArchives) {
    TempFolder folder;
    writeFile(folder / "KTdata.zip", content);
    writeFile(folder / "ADDRESS.DBF", "table");
    std::string text;
    try {
      zip::backupFiles(folder / "KTdata.zip", {folder / "ADDRESS.DBF"});
      ADD_FAILURE() << "accepted";
    } catch (const ZipError& e) {
      text = e.what();
      EXPECT_EQ(e.kind(), ZipErrorKind::NotAnArchive);
    }
    EXPECT_EQ(text, "Unhandled Archive Type");
    EXPECT_EQ(readFile(folder / "KTdata.zip"), content);
    EXPECT_EQ(folder.fileCount(), 2u);
  }
}

TEST(ZipFailure, DamagedAndUnsupportedArchivesAreRefusedWithAReason) {
  TempFolder folder;
  writeFile(folder / "a.txt", compressibleText(3000));
  writeFile(folder / "b.txt", compressibleText(2000));
  zip::backupFiles(folder / "good.zip", {folder / "a.txt", folder / "b.txt"});
  const std::string good = readFile(folder / "good.zip");
  const std::size_t end = good.size() - 22, directory = le32(good, end + 16);

  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    ZipErrorKind kind;
  };
  const auto put32 = [](std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  const Case cases[] = {
      {"directory offset past the end", [&](std::string& z) { put32(z, end + 16, 0x7FFFFFFF); }, ZipErrorKind::Corrupt},
      {"directory cut short", [&](std::string& z) { put32(z, end + 12, 50); }, ZipErrorKind::Corrupt},
      {"more entries than records", [&](std::string& z) { z[end + 8] = z[end + 10] = 3; }, ZipErrorKind::Corrupt},
      {"name runs past the directory", [&](std::string& z) { z[directory + 28] = char(0xFF); }, ZipErrorKind::Corrupt},
      {"local header missing", [&](std::string& z) { z[0] = 'X'; }, ZipErrorKind::Corrupt},
      {"data runs into the directory", [&](std::string& z) { put32(z, directory + 20, 0x10000); },
       ZipErrorKind::Corrupt},
      {"header offset far away", [&](std::string& z) { put32(z, directory + 42, 0xFFFFFF00); }, ZipErrorKind::Corrupt},
      {"second disk", [&](std::string& z) { z[end + 4] = 1; }, ZipErrorKind::Unsupported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string damaged = good;
    c.damage(damaged);
    writeFile(folder / "bad.zip", damaged);
    std::string text;
    EXPECT_EQ(openErrorKind(folder / "bad.zip", &text), c.kind);
    EXPECT_NE(text.find("bad.zip"), std::string::npos) << text;
  }
}

// Whatever bytes an archive holds, opening and saving it either works or
// raises ZipError: no crash, no read outside a buffer (see the sanitizer build).
TEST(ZipFailure, RandomDamageNeverCrashes) {
  TempFolder folder;
  writeFile(folder / "a.txt", compressibleText(2000));
  writeFile(folder / "b.txt", "second");
  zip::backupFiles(folder / "good.zip", {folder / "a.txt", folder / "b.txt"});
  const std::string good = readFile(folder / "good.zip");
  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    std::string damaged = good;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
      damaged[random() % damaged.size()] = static_cast<char>(random());
    }
    if (random() % 5 == 0) damaged.resize(random() % damaged.size());
    writeFile(folder / "bad.zip", damaged);
    try {
      ZipArchive archive = ZipArchive::open(folder / "bad.zip");
      archive.freshen(folder / "b.txt");
      archive.save();
    } catch (const ZipError&) {
    }
  }
}

}  // namespace
