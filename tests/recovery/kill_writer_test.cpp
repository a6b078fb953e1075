// Kills a writing process at random points and proves that nothing stored
// before the kill is lost: the table opens, every record whose post had
// returned reads back intact, and the index passes `cardlark-db check`
// (after `cardlark-db reindex` where the kill left it behind the table).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "book/address_book.h"
#include "book/name_tag.h"
#include "book/table_layout.h"
#include "support/temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"

namespace fs = std::filesystem;

namespace {

struct StoredRecord {
  std::string name;
  std::string memo;
};

// Deterministic content of the i-th record a writer appends in a round:
// memos of many sizes so that appends, in-place rewrites and block growth
// all happen.
StoredRecord recordFor(int round, int i) {
  StoredRecord record;
  record.name = "R" + std::to_string(round) + "-" + std::to_string(i);
  std::size_t length = static_cast<std::size_t>((i * 37 + round * 11) % 900);
  record.memo.reserve(length);
  for (std::size_t k = 0; k < length; ++k) record.memo += static_cast<char>('a' + (k + i) % 26);
  return record;
}

int runTool(const std::string& arguments) {
  std::string command = std::string(CARDLARK_BIN_DIR) + "/cardlark-db " + arguments + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The child appends records for ever and reports each record number whose
// post has returned on the pipe; it never returns.
[[noreturn]] void writeUntilKilled(const fs::path& dbf, int round, int reportFd) {
  try {
    auto cursor = xbase::Cursor::open(dbf, xbase::OpenMode::Shared);
    cursor->setOrder("ADDRESS");
    for (int i = 0;; ++i) {
      auto record = recordFor(round, i);
      cursor->beginAppend();
      cursor->setValue("NAME", record.name);
      cursor->setValue("INFO", record.memo);
      cursor->setValue("LASTDATE", "20261207");
      cursor->post();
      std::uint32_t recno = cursor->recno();
      std::int32_t message[2] = {i, static_cast<std::int32_t>(recno)};
      if (::write(reportFd, message, sizeof message) != sizeof message) _exit(3);
      if (i % 4 == 3) {  // rewrite an earlier memo of this round: shorter, so it stays in place
        cursor->go(recno);
        cursor->beginEdit();
        cursor->setValue("INFO", record.memo.substr(0, record.memo.size() / 2));
        cursor->post();
        std::int32_t edited[2] = {-1 - i, static_cast<std::int32_t>(recno)};
        if (::write(reportFd, edited, sizeof edited) != sizeof edited) _exit(3);
      }
    }
  } catch (...) {
    _exit(4);
  }
}

class KillWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { book::createAddressTable(dir_, true); }
  fs::path dbf() const { return dir_ / book::kTableName; }

  testsupport::TempFolder folder_;
  const fs::path& dir_ = folder_.path();
};

TEST_F(KillWriterTest, RecordsStoredBeforeAKillSurviveIt) {
  std::mt19937 random(20261207);
  std::map<std::uint32_t, StoredRecord> stored;  // recno -> what must read back
  constexpr int kRounds = 30;
  for (int round = 0; round < kRounds; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      writeUntilKilled(dbf(), round, pipeFds[1]);
    }
    ::close(pipeFds[1]);

    // Let the writer confirm a random number of posts, then kill it at
    // whatever byte it is writing.
    int confirmations = std::uniform_int_distribution<int>(1, 120)(random);
    std::int32_t message[2];
    std::uint32_t lastAppended = 0;  // its edit may be the one the kill interrupted
    auto record = [&](std::int32_t i, std::uint32_t recno) {
      if (i >= 0) {
        stored[recno] = recordFor(round, i);
        lastAppended = recno;
      } else {
        auto& memo = stored[recno].memo;
        memo = memo.substr(0, memo.size() / 2);
      }
    };
    for (int n = 0; n < confirmations; ++n) {
      ASSERT_EQ(::read(pipeFds[0], message, sizeof message), static_cast<ssize_t>(sizeof message))
          << "the writer stopped by itself in round " << round;
      record(message[0], static_cast<std::uint32_t>(message[1]));
    }
    ::usleep(std::uniform_int_distribution<int>(0, 400)(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer failed with status " << status << " in round " << round;
    // Posts confirmed between our last read and the kill count as stored too.
    while (::read(pipeFds[0], message, sizeof message) == static_cast<ssize_t>(sizeof message))
      record(message[0], static_cast<std::uint32_t>(message[1]));
    ::close(pipeFds[0]);

    // The kill may interrupt the rewrite of the last appended memo: that one
    // memo may read as either version; every other must be exact.
    auto cursor = xbase::Cursor::open(dbf(), xbase::OpenMode::Shared);
    for (const auto& [recno, expected] : stored) {
      cursor->go(recno);
      ASSERT_EQ(cursor->recno(), recno) << "round " << round;
      EXPECT_EQ(cursor->value("NAME"), expected.name) << "record " << recno << ", round " << round;
      auto memo = cursor->value("INFO");
      bool intact = memo == expected.memo ||
                    (recno == lastAppended && memo == expected.memo.substr(0, expected.memo.size() / 2));
      EXPECT_TRUE(intact) << "memo of record " << recno << ", round " << round;
    }
    if (lastAppended != 0) {  // settled now: later rounds expect what is on disk
      cursor->go(lastAppended);
      stored[lastAppended].memo = cursor->value("INFO");
    }
    cursor.reset();

    if (runTool("check " + dir_.string()) != 0) {
      ASSERT_EQ(runTool("reindex " + dir_.string()), 0) << "round " << round;
      ASSERT_EQ(runTool("check " + dir_.string()), 0) << "round " << round;
    }
    // Every stored name is found through the index again.
    cursor = xbase::Cursor::open(dbf(), xbase::OpenMode::Shared);
    cursor->setOrder("ADDRESS");
    for (const auto& [recno, expected] : stored) {
      ASSERT_TRUE(cursor->seek(xbase::asciiUpper(expected.name))) << expected.name;
    }
  }
}

}  // namespace

namespace {

// An import killed while it loads in bulk leaves records the index lacks;
// the table says so, shared opens refuse it, and the first exclusive open
// (every cardlark-db command tries one) rebuilds the index and tells.
TEST_F(KillWriterTest, AnImportKilledMidwayHasItsIndexRebuiltByTheNextOpen) {
  constexpr int kCards = 40000, kKilledAt = 30000;  // past the first large write of records
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      book::AddressBook importer(dbf(), book::AddressBook::Access::ExclusiveWhenFree);
      importer.addAll(kCards, [](const auto& store) {
        for (int i = 0; i < kCards; ++i) {
          if (i == kKilledAt) ::_exit(0);
          store(book::Entry{"Card " + std::to_string(i), "", "20261207"});
        }
      });
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(xbase::indexLagsBehind(dbf()));
  EXPECT_THROW(xbase::Cursor::open(dbf(), xbase::OpenMode::Shared), xbase::Error);

  EXPECT_NE(book::ensureNameTag(dbf()).note.find("rebuilt"), std::string::npos);
  EXPECT_FALSE(xbase::indexLagsBehind(dbf()));
  EXPECT_EQ(runTool("check " + dir_.string()), 0);
  auto cursor = xbase::Cursor::open(dbf(), xbase::OpenMode::Shared);
  const std::uint32_t stored = cursor->count();
  EXPECT_GT(stored, 0u);
  cursor->setOrder("ADDRESS");
  std::uint32_t inOrder = 0;
  for (cursor->first(); !cursor->eof(); cursor->skip()) ++inOrder;
  EXPECT_EQ(inOrder, stored);
}

}  // namespace
