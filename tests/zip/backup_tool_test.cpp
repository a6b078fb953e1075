// `cardlark-db backup` run as a program, the way a scheduled job runs it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "zip/zip_archive.h"
#include "zip_test_files.h"

namespace {

using namespace ziptest;

std::string tool(const std::string& arguments, int* status) {
  return runShell(shellQuote(std::string(CARDLARK_BIN_DIR) + "/cardlark-db") + " " + arguments, status);
}

TEST(BackupTool, FreshensTheDefaultArchiveInTheFolderThenKeepsItAndRefusesAForeignFile) {
  TempFolder folder;
  int status = -1;
  tool("create " + shellQuote(folder.path()), &status);
  ASSERT_EQ(status, 0);
  const std::string dbf = folder / "ADDRESS.DBF", fpt = folder / "ADDRESS.fpt", zip = folder / "KTdata.zip";

  EXPECT_EQ(tool("backup " + shellQuote(folder.path()), &status),
            "added " + dbf + "\nadded " + fpt + "\nwritten " + zip + "\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(zip::ZipArchive::open(zip).entryCount(), 2u);

  EXPECT_EQ(tool("backup " + shellQuote(folder.path()), &status),
            "kept " + dbf + "\nkept " + fpt + "\nunchanged " + zip + "\n");

  // Without its memo file the names are still backed up; with a FIFO in its
  // place the job fails and the archive stays as it was.
  const std::string other = folder / "other.zip";
  std::filesystem::remove(fpt);
  tool("backup " + shellQuote(folder.path()) + " " + shellQuote(other), &status);
  EXPECT_EQ(zip::ZipArchive::open(other).entryCount(), 1u);
  const std::string before = readFile(zip);
  ASSERT_EQ(::mkfifo(fpt.c_str(), 0600), 0);
  EXPECT_EQ(tool("backup " + shellQuote(folder.path()), &status), "cardlark-db backup: Cannot back up " + fpt +
                                                                      ": not an ordinary file; the backup " + zip +
                                                                      " was left as it was\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(readFile(zip), before);

  writeFile(other, "a text file, not an archive");
  EXPECT_EQ(tool("backup " + shellQuote(folder.path()) + " " + shellQuote(other), &status),
            "cardlark-db backup: Unhandled Archive Type\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(readFile(other), "a text file, not an archive");
}

}  // namespace
