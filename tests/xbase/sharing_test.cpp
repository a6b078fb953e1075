// Several cursors and processes on one table: writes seen at the next read,
// record locks, and the exclusive/shared open rules.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/dbf_bytes.h"
#include "xbase/error.h"
#include "xbase/fpt_file.h"
#include "xbase/lock.h"
#include "xbase/table_check.h"

namespace xbase {
namespace {

using testing::TempFolder;

using testing::errorCodeOf;

class Sharing : public ::testing::Test {
 protected:
  void SetUp() override { path_ = testing::createAddressTable(folder_.path()); }
  std::unique_ptr<Cursor> open(OpenMode mode = OpenMode::Shared) { return Cursor::open(path_, mode); }
  TempFolder folder_;
  std::filesystem::path path_;
};

TEST_F(Sharing, CursorsSeeEachOthersWritesAtOnce) {
  auto a = open();
  auto b = open();
  testing::addEntry(*a, "First", "memo one");
  b->first();
  EXPECT_EQ(b->value("Name"), "First");

  testing::addEntry(*b, "Second");
  a->go(1);
  a->skip();  // the record appended by b is met without reopening
  EXPECT_EQ(a->value("Name"), "Second");
  EXPECT_EQ(a->count(), 2u);

  b->first();
  b->beginEdit();
  b->setValue("Info", "memo changed by b, now longer than before");
  b->post();
  a->first();
  EXPECT_EQ(a->value("Info"), "memo changed by b, now longer than before");

  b->deleteRecord();
  a->first();
  EXPECT_EQ(a->value("Name"), "Second");  // a's next walk hides it
}

TEST_F(Sharing, ValuesOfTheCurrentRecordAreReadAfresh) {
  auto a = open();
  auto b = open();
  testing::addEntry(*a, "Before");
  b->first();
  a->beginEdit();
  a->setValue("Name", "After");
  a->post();
  EXPECT_EQ(b->value("Name"), "After");
}

TEST_F(Sharing, RecordBeingEditedIsLockedForOthers) {
  auto a = open();
  auto b = open();
  testing::addEntry(*a, "Entry");
  b->first();
  a->beginEdit();
  EXPECT_EQ(errorCodeOf([&] { b->beginEdit(); }), ErrorCode::Locked);
  EXPECT_EQ(errorCodeOf([&] { b->deleteRecord(); }), ErrorCode::Locked);
  testing::addEntry(*b, "Appends still work");
  a->cancel();
  b->first();
  b->beginEdit();
  b->cancel();
}

// A list of records is deleted under one lock over all of them, flags close
// together in one write; while another cursor edits one of them they go one
// by one in the order given, up to the record that is locked.
TEST_F(Sharing, DeletingAListOfRecordsTakesTheirLocksTogether) {
  auto a = open();
  auto b = open();
  for (int i = 1; i <= 400; ++i) testing::addEntry(*a, "Entry " + std::to_string(i));
  a->go(3);
  a->deleteRecord();
  const std::vector<std::uint32_t> list = {5, 1, 200, 3, 5, 400};
  const auto deletedOnes = [&] {
    std::vector<std::uint32_t> out;
    for (std::uint32_t r = 1; r <= 400; ++r) {
      a->go(r);
      if (a->deleted()) out.push_back(r);
    }
    return out;
  };
  b->go(200);
  b->beginEdit();
  EXPECT_EQ(errorCodeOf([&] { a->deleteRecords(list); }), ErrorCode::Locked);
  EXPECT_EQ(deletedOnes(), (std::vector<std::uint32_t>{1, 3, 5}));
  b->cancel();
  a->deleteRecords(list);
  EXPECT_EQ(deletedOnes(), (std::vector<std::uint32_t>{1, 3, 5, 200, 400}));
  a->go(4);
  EXPECT_EQ(a->value("Name"), "Entry 4");  // rewritten between two flags, unchanged
  EXPECT_TRUE(checkTable(path_).empty());
}

TEST_F(Sharing, ExclusiveOpenRefusedWhileOthersHaveItOpen) {
  {
    auto shared = open();
    EXPECT_EQ(errorCodeOf([&] { open(OpenMode::Exclusive); }), ErrorCode::Exclusive);
  }
  auto exclusive = open(OpenMode::Exclusive);
  EXPECT_EQ(errorCodeOf([&] { open(OpenMode::Shared); }), ErrorCode::Exclusive);
  EXPECT_EQ(errorCodeOf([&] { open(OpenMode::Exclusive); }), ErrorCode::Exclusive);
  EXPECT_EQ(errorCodeOf([&] { tableInfo(path_); }), ErrorCode::Exclusive);
  exclusive.reset();
  auto again = open(OpenMode::Exclusive);  // released with the cursor
}

// A child process standing in for another program: `body` takes its locks,
// calls `ready()` once it holds them, and may call `held()` to wait until
// the test ends it with endChild.
struct Child {
  pid_t pid = -1;
  int release = -1;
};
using Signal = std::function<void()>;

Child inChild(const std::function<void(const Signal& ready, const Signal& held)>& body) {
  int ready[2], release[2];
  if (pipe(ready) != 0 || pipe(release) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    close(release[1]);
    bool signalled = false;
    const Signal readyNow = [&] {
      signalled = true;
      (void)!write(ready[1], "y", 1);
    };
    const Signal held = [&] {
      char ignored;
      (void)!read(release[0], &ignored, 1);
    };
    try {
      body(readyNow, held);
    } catch (...) {
    }
    if (!signalled) (void)!write(ready[1], "n", 1);
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  char status = 'n';
  EXPECT_EQ(read(ready[0], &status, 1), 1);
  EXPECT_EQ(status, 'y');
  close(ready[0]);
  return {pid, release[1]};
}

Child holdInChild(const std::filesystem::path& path, OpenMode mode) {
  return inChild([&](const Signal& ready, const Signal& held) {
    auto cursor = Cursor::open(path, mode);
    ready();
    held();
  });
}

// Takes a process-owned (classic fcntl) lock of one byte and waits for it,
// as other programs lock.
bool lockByte(int fd, off_t offset) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = 1;
  return fcntl(fd, F_SETLKW, &fl) == 0;
}

void endChild(const Child& child) {
  close(child.release);
  int status = 0;
  waitpid(child.pid, &status, 0);
}

TEST_F(Sharing, AnotherProcessHoldingItSharedBlocksExclusiveOpen) {
  Child child = holdInChild(path_, OpenMode::Shared);
  ASSERT_GT(child.pid, 0);
  EXPECT_EQ(errorCodeOf([&] { open(OpenMode::Exclusive); }), ErrorCode::Exclusive);
  auto shared = open();  // sharing is fine
  shared.reset();
  endChild(child);
  EXPECT_NO_THROW(open(OpenMode::Exclusive));
}

TEST_F(Sharing, AnotherProcessHoldingItExclusivelyBlocksEveryOpen) {
  Child child = holdInChild(path_, OpenMode::Exclusive);
  ASSERT_GT(child.pid, 0);
  EXPECT_EQ(errorCodeOf([&] { open(OpenMode::Shared); }), ErrorCode::Exclusive);
  endChild(child);
  EXPECT_NO_THROW(open(OpenMode::Shared));
}

TEST_F(Sharing, OpenMarksOfOtherProgramsAreHonouredBothWays) {
  // Other xBase programs mark each open with flock(): shared or exclusive.
  for (int mark : {LOCK_SH, LOCK_EX}) {
    Child other = inChild([&](const Signal& ready, const Signal& held) {
      const int fd = ::open(path_.c_str(), O_RDWR);
      if (flock(fd, mark | LOCK_NB) != 0) return;
      ready();
      held();
    });
    EXPECT_EQ(errorCodeOf([&] { open(OpenMode::Exclusive); }), ErrorCode::Exclusive) << mark;
    EXPECT_EQ(errorCodeOf([&] { open(OpenMode::Shared); }), mark == LOCK_EX ? ErrorCode::Exclusive : ErrorCode{});
    endChild(other);
  }
  // ... and they see ours.
  const int fd = ::open(path_.c_str(), O_RDONLY);
  auto exclusive = open(OpenMode::Exclusive);
  EXPECT_NE(flock(fd, LOCK_SH | LOCK_NB), 0);
  exclusive.reset();
  auto shared = open();
  EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(flock(fd, LOCK_SH | LOCK_NB), 0);
  close(fd);
}

TEST_F(Sharing, MemoBlocksAreAllocatedUnderTheMemoLockOfOtherPrograms) {
  auto cursor = open();
  testing::addEntry(*cursor, "First", "first memo");
  // The other program locks byte 0 of the memo file, reads the next free
  // block, and writes its memo there only after a pause.
  const auto fpt = folder_.path() / "ADDRESS.fpt";
  Child other = inChild([&](const Signal& ready, const Signal&) {
    const int fd = ::open(fpt.c_str(), O_RDWR);
    if (!lockByte(fd, lockregion::kMemo)) return;
    char head[8];
    if (pread(fd, head, sizeof head, 0) != 8) return;
    const std::uint32_t next = readBe32(head), blockSize = readBe16(head + 6);
    ready();
    usleep(300 * 1000);
    const std::string image = FptFile::blockImage("their memo", blockSize);
    (void)!pwrite(fd, image.data(), image.size(), off_t{next} * blockSize);
    writeBe32(head, next + static_cast<std::uint32_t>(image.size() / blockSize));
    (void)!pwrite(fd, head, 4, 0);
    close(fd);
  });
  testing::addEntry(*cursor, "Second", "our memo");
  endChild(other);
  cursor->last();
  EXPECT_EQ(cursor->value("Info"), "our memo");
  cursor->first();
  EXPECT_EQ(cursor->value("Info"), "first memo");
}

TEST_F(Sharing, HeldMemoReadsKeepWritersOutAndReadTrue) {
  auto a = open();
  const std::vector<std::string> memos = {"short", std::string(5000, 'b'), "", std::string(3 << 20, 'd'), "tail"};
  for (std::size_t i = 0; i < memos.size(); ++i) testing::addEntry(*a, "N" + std::to_string(i), memos[i]);
  const int info = a->fieldIndex("Info");
  File other(folder_.path() / "ADDRESS.fpt", File::Access::ReadWrite);
  auto writerWouldWait = [&] {
    const bool got = other.tryLock(lockregion::kMemo, 1, true);
    if (got) other.unlock(lockregion::kMemo, 1);
    return !got;
  };

  a->first();
  a->holdMemoReads();
  a->holdMemoReads();  // holds nest
  EXPECT_TRUE(writerWouldWait());
  // In file order, then jumping about: the buffer follows either way, and
  // the cursor stays where it was.
  for (const std::uint32_t recno : {1u, 2u, 3u, 4u, 5u, 4u, 1u, 5u, 2u})
    EXPECT_EQ(a->valueAt(recno, info), memos[recno - 1]) << recno;
  EXPECT_EQ(a->recno(), 1u);
  a->releaseMemoReads();
  EXPECT_TRUE(writerWouldWait());
  a->releaseMemoReads();
  EXPECT_FALSE(writerWouldWait());

  // A write of the holder's own ends the hold; what it wrote reads back.
  a->holdMemoReads();
  EXPECT_EQ(a->valueAt(1, info), "short");
  a->beginEdit();
  a->setValue("Info", "rewritten");
  a->post();
  EXPECT_FALSE(writerWouldWait());
  EXPECT_EQ(a->valueAt(1, info), "rewritten");
  a->releaseMemoReads();

  // Records appended by another cursor read at once; a missing one is an error.
  auto b = open();
  testing::addEntry(*b, "Late", "late memo");
  EXPECT_EQ(a->valueAt(6, info), "late memo");
  EXPECT_EQ(errorCodeOf([&] { a->valueAt(7, info); }), ErrorCode::NotFound);
  EXPECT_EQ(errorCodeOf([&] { a->valueAt(0, info); }), ErrorCode::NotFound);
}

// A long run of reads out of file order (a walk in index order) reads the
// records in blocks kept for the run: every memo still reads true, and a
// record appended meanwhile (no memo, so no memo lock) is found too.
TEST_F(Sharing, LongHeldRunsOutOfFileOrderReadTrue) {
  auto a = open();
  constexpr std::uint32_t kCount = 300;
  for (std::uint32_t recno = 1; recno <= kCount; ++recno) testing::addEntry(*a, "N", "memo " + std::to_string(recno));
  const int info = a->fieldIndex("Info");
  a->holdMemoReads();
  for (std::uint32_t i = 0; i < 2 * kCount; ++i) {
    const std::uint32_t recno = i * 7919 % kCount + 1;
    ASSERT_EQ(a->valueAt(recno, info), "memo " + std::to_string(recno)) << i;
  }
  testing::addEntry(*open(), "Late");
  EXPECT_EQ(a->valueAt(kCount + 1, info), "");
  EXPECT_EQ(a->valueAt(7, info), "memo 7");
  EXPECT_EQ(errorCodeOf([&] { a->valueAt(kCount + 2, info); }), ErrorCode::NotFound);
  a->releaseMemoReads();
}

TEST_F(Sharing, CheckWaitsForWritersThatHoldTheHeaderLock) {
  {
    auto cursor = open(OpenMode::Exclusive);
    cursor->createTag("Address", "upper(Name)");
    testing::addEntry(*cursor, "First");
  }
  // Another writer, under the header lock, counts a record whose key is
  // not in the index yet, then takes it back before it lets go.
  Child other = inChild([&](const Signal& ready, const Signal&) {
    const int fd = ::open(path_.c_str(), O_RDWR);
    if (!lockByte(fd, static_cast<off_t>(lockregion::kHeader))) return;
    char head[12];
    if (pread(fd, head, sizeof head, 0) != 12) return;
    const std::uint32_t count = readLe32(head + 4);
    const std::uint16_t headerLength = readLe16(head + 8), recordLength = readLe16(head + 10);
    const off_t end = headerLength + off_t{count} * recordLength;
    std::string record(recordLength, ' ');
    record.push_back(0x1A);
    (void)!pwrite(fd, record.data(), record.size(), end);
    writeLe32(head + 4, count + 1);
    (void)!pwrite(fd, head + 4, 4, 4);
    ready();
    usleep(300 * 1000);
    writeLe32(head + 4, count);
    (void)!pwrite(fd, head + 4, 4, 4);
    (void)!pwrite(fd, "\x1A", 1, end);
    (void)!ftruncate(fd, end + 1);
    close(fd);
  });
  EXPECT_EQ(checkTable(path_), std::vector<std::string>{});
  endChild(other);
}

TEST_F(Sharing, AppendsFromAnotherProcessAreSeen) {
  auto cursor = open();
  testing::addEntry(*cursor, "Parent");
  pid_t pid = fork();
  if (pid == 0) {
    try {
      auto child = Cursor::open(path_, OpenMode::Shared);
      testing::addEntry(*child, "Child", "written by the child");
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(testing::walkNames(*cursor), (std::vector<std::string>{"Parent", "Child"}));
  cursor->last();
  EXPECT_EQ(cursor->value("Info"), "written by the child");
}

// A writer stopped before its count write left whole records past the
// count; a shared append takes them in with their keys, as an exclusive
// open would, instead of writing over them.
TEST_F(Sharing, ASharedAppendKeepsRecordsLyingPastTheCount) {
  {
    auto exclusive = open(OpenMode::Exclusive);
    exclusive->createTag("Address", "upper(Name)");
    for (const char* name : {"A", "B", "C", "D", "E"}) testing::addEntry(*exclusive, name);
  }
  std::string dbf = testing::readFile(path_);
  writeLe32(dbf.data() + 4, 3);  // D and E lie past the count
  testing::writeFile(path_, dbf);
  auto reader = open();  // another user holds the table: no exclusive open takes them in
  auto writer = open();
  testing::addEntry(*writer, "F");
  EXPECT_EQ(testing::walkNames(*reader), (std::vector<std::string>{"A", "B", "C", "D", "E", "F"}));
  reader->setOrder("Address");
  EXPECT_TRUE(reader->seek("D"));
  EXPECT_EQ(testing::walkNames(*reader).size(), 6u);
  reader.reset();
  writer.reset();
  EXPECT_TRUE(checkTable(path_).empty());
}

TEST_F(Sharing, ConcurrentAppendsFromTwoProcessesAllArrive) {
  {
    auto exclusive = open(OpenMode::Exclusive);
    exclusive->createTag("Address", "upper(Name)");
  }
  constexpr int kEach = 150;
  auto writer = [&](const std::string& prefix) {
    auto cursor = open();
    cursor->setOrder("ADDRESS");
    for (int i = 0; i < kEach; ++i)
      testing::addEntry(*cursor, prefix + std::to_string(i),
                        std::string(static_cast<std::size_t>(i * 7 % 300), prefix[0]));
  };
  pid_t pid = fork();
  if (pid == 0) {
    try {
      writer("C");
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  writer("P");
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  auto cursor = open();
  EXPECT_EQ(cursor->count(), 2u * kEach);
  for (cursor->first(); !cursor->eof(); cursor->skip()) {
    const std::string name = cursor->value("Name");
    const int i = std::stoi(name.substr(1));
    EXPECT_EQ(cursor->value("Info"), std::string(static_cast<std::size_t>(i * 7 % 300), name[0])) << name;
  }
  cursor->setOrder("ADDRESS");
  std::vector<std::string> names = testing::walkNames(*cursor);
  EXPECT_EQ(names.size(), 2u * kEach);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

}  // namespace
}  // namespace xbase
