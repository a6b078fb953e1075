// Several cursors and processes on one table: writes seen at the next read,
// record locks, and the exclusive/shared open rules.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

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

// Runs `hold` in a child process that keeps the table open until told to
// end; returns the child's id and a pipe to end it.
struct Child {
  pid_t pid = -1;
  int release = -1;
};

Child holdInChild(const std::filesystem::path& path, OpenMode mode) {
  int ready[2], release[2];
  if (pipe(ready) != 0 || pipe(release) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    close(release[1]);
    char status = 'n';
    try {
      auto cursor = Cursor::open(path, mode);
      status = 'y';
      (void)!write(ready[1], &status, 1);
      char ignored;
      (void)!read(release[0], &ignored, 1);
    } catch (...) {
      (void)!write(ready[1], &status, 1);
    }
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
      testing::addEntry(*cursor, prefix + std::to_string(i), std::string(static_cast<std::size_t>(i * 7 % 300), prefix[0]));
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
