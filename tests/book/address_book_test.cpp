// The book's rules as every writer meets them: the name key is the tag's
// own, a taken name is refused or numbered, entries are dated by the one
// clock, and a batch is stored whole or not at all.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "book/address_book.h"
#include "book/clock.h"
#include "book/name_key.h"
#include "book/table_layout.h"
#include "support/temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace book {
namespace {

class AddressBookTest : public ::testing::Test {
 protected:
  AddressBookTest() { createAddressTable(folder_.path(), true); }
  ~AddressBookTest() override { fixToday(""); }

  std::filesystem::path dbf() const { return folder_ / kTableName; }
  std::vector<Entry> entries() {
    std::vector<Entry> all;
    AddressBook(dbf(), AddressBook::Access::Shared).forEachEntry([&](std::uint32_t, const Entry& e) {
      all.push_back(e);
    });
    return all;
  }

  testsupport::TempFolder folder_;
};

TEST_F(AddressBookTest, NameKeyIsTheKeyTheTagFilesTheNameUnder) {
  AddressBook book(dbf(), AddressBook::Access::Shared);
  for (const char* name : {"smith", " Smith", "M\xFCller, \xE9mile", "Osmium Ltd (2)", "x"}) {
    const std::uint32_t recno = book.add({name, "", ""});
    book.cursor().go(recno);
    book.cursor().setOrder(kTagName);
    EXPECT_EQ(book.cursor().keyFor(kTagName), nameIndexKey(name)) << name;
    book.cursor().setOrder("");
  }
  EXPECT_EQ(nameKey("Smith  "), "SMITH");
  EXPECT_NE(nameKey(" Smith"), nameKey("Smith"));
}

TEST_F(AddressBookTest, TakenNamesAreRefusedCaseBlindAndAnEntryKeepsItsOwn) {
  fixToday("20260307");
  AddressBook book(dbf(), AddressBook::Access::Shared);
  const std::uint32_t smith = book.add({"Smith", "first", "19990101"});
  const std::uint32_t jones = book.add({"Jones", "", ""});
  EXPECT_EQ(book.entryAt(smith), (Entry{"Smith", "first", "20260307"}));  // dated by the clock, not the caller
  EXPECT_THROW(book.add({"SMITH ", "again", ""}), xbase::Error);
  EXPECT_THROW(book.replace(jones, {"smith", "", ""}), xbase::Error);
  fixToday("20260308");
  book.replace(smith, {"SMITH", "edited", ""});
  EXPECT_EQ(book.entryAt(smith), (Entry{"SMITH", "edited", "20260308"}));
  book.remove(smith);
  book.add({"Smith", "back", ""});  // a deleted entry frees its name
  EXPECT_EQ(entries().size(), 2u);
}

TEST_F(AddressBookTest, ABatchSkipsOrNumbersTakenNamesAndTellsEachFate) {
  fixToday("20260307");
  AddressBook(dbf(), AddressBook::Access::Shared).add({"Smith", "", ""});
  const std::vector<Entry> batch{{"smith", "a", ""}, {"Lee", "b", ""}, {"LEE", "c", ""}};
  {
    AddressBook book(dbf(), AddressBook::Access::ExclusiveWhenFree);
    const std::vector<AddOutcome> skipped = book.addNew(batch, TakenName::Skip);
    ASSERT_EQ(skipped.size(), 3u);
    EXPECT_EQ(skipped[0].kind, AddOutcome::Kind::Skipped);
    EXPECT_EQ(skipped[1].kind, AddOutcome::Kind::Added);
    EXPECT_EQ(skipped[2].kind, AddOutcome::Kind::Skipped);
    const std::vector<AddOutcome> renamed = book.addNew(batch, TakenName::Rename);
    EXPECT_EQ(renamed[0].name, "smith (2)");
    EXPECT_EQ(renamed[1].name, "Lee (2)");
    EXPECT_EQ(renamed[2].name, "LEE (3)");
    EXPECT_EQ(book.entryAt(renamed[2].recno), (Entry{"LEE (3)", "c", "20260307"}));
  }
  EXPECT_EQ(entries().size(), 5u);
}

TEST_F(AddressBookTest, AFailedBatchStoresNothing) {
  {
    AddressBook book(dbf(), AddressBook::Access::ExclusiveWhenFree);
    book.add({"Kept", "", ""});
    EXPECT_THROW(book.addAll(2,
                             [](const auto& store) {
                               store(Entry{"One", "", "20260101"});
                               store(Entry{"Two", "", "not a date"});
                             }),
                 xbase::Error);
  }
  EXPECT_EQ(entries(), (std::vector<Entry>{{"Kept", "", book::today()}}));
}

TEST_F(AddressBookTest, AMergeKeepsOneNameAndEveryMemoLineOnce) {
  fixToday("20260307");
  std::uint32_t keep = 0, other = 0;
  book::MergeRecord merge;
  {
    AddressBook book(dbf(), AddressBook::Access::Shared);
    keep = book.add({"Smith, Ann", "Phone 206-555-1234\r\nmet at the fair", ""});
    book.add({"Lee", "", ""});
    other = book.add({"Ann Smith (2)", "met at the fair  \r\nann@example.com\r\n\r\nowes a book", ""});
    fixToday("20260308");
    merge = book.merge(keep, other);
    EXPECT_THROW(book.merge(keep, other), xbase::Error);  // `other` is gone
    EXPECT_THROW(book.merge(keep, keep), xbase::Error);
    const std::uint32_t taker = book.add({"ann smith (2)", "", ""});
    EXPECT_THROW(book.undoMerge(merge), xbase::Error);  // the other's name is taken: nothing written
    book.remove(taker);
  }
  EXPECT_EQ(
      entries(),
      (std::vector<Entry>{
          {"Smith, Ann", "Phone 206-555-1234\r\nmet at the fair\r\nann@example.com\r\n\r\nowes a book", "20260308"},
          {"Lee", "", "20260307"}}));
  const std::vector<Entry> before{
      {"Smith, Ann", "Phone 206-555-1234\r\nmet at the fair", "20260307"},
      {"Lee", "", "20260307"},
      {"Ann Smith (2)", "met at the fair  \r\nann@example.com\r\n\r\nowes a book", "20260307"}};
  AddressBook(dbf(), AddressBook::Access::Shared).undoMerge(merge);
  EXPECT_EQ(entries(), before);  // the other recalled in its place, the kept one's date back
  EXPECT_THROW(AddressBook(dbf(), AddressBook::Access::Shared).undoMerge(merge), xbase::Error);
  EXPECT_EQ(entries(), before);
  // Two names that differ in letter case only (stored before the rule held).
  AddressBook book(dbf(), AddressBook::Access::Shared);
  const std::uint32_t kim = book.addAll(2, [](const auto& store) {
    store(Entry{"KIM", "a", "20200101"});
    store(Entry{"Kim", "b", ""});
  });
  const std::vector<Entry> twins = entries();
  book.undoMerge(book.merge(kim + 1, kim));
  EXPECT_EQ(entries(), twins);
  EXPECT_EQ(joinedMemo("a\r\n", "b"), "a\r\nb");
  EXPECT_EQ(joinedMemo("", "a\r\na"), "a\r\na");  // only lines the kept memo holds are left out
}

// The names are tested and the entries appended under one lock: a writer
// that starts while another holds it reads the names only once that one
// has stored its own, so each name is stored once.
TEST_F(AddressBookTest, TwoWritersAtOnceStoreEachNameOnce) {
  std::vector<Entry> batch;
  for (int i = 0; i < 200; ++i) batch.push_back({"Name " + std::to_string(i), "memo", ""});
  AddressBook first(dbf(), AddressBook::Access::Shared);
  first.cursor().lockAppends();
  const pid_t pid = fork();
  if (pid == 0) {
    bool ok = true;
    try {
      AddressBook second(dbf(), AddressBook::Access::Shared);
      ok = second.addNew(batch, TakenName::Skip).back().kind == AddOutcome::Kind::Skipped;
    } catch (...) {
      ok = false;
    }
    _exit(ok ? 0 : 1);
  }
  usleep(300'000);  // the second writer is under way meanwhile
  first.addNew(batch, TakenName::Skip);
  first.cursor().unlockAppends();
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(entries().size(), 200u);
  EXPECT_THROW(first.add({"name 7", "", ""}), xbase::Error);
}

TEST_F(AddressBookTest, WithoutItsTagTheNameRuleStillHolds) {
  testsupport::TempFolder bare;
  createAddressTable(bare.path(), false);
  AddressBook book(bare / kTableName, AddressBook::Access::Shared);
  book.add({"Smith", "", ""});
  EXPECT_THROW(book.add({"smith", "", ""}), xbase::Error);
}

TEST(NameRegister, ComparesLikeTheNameTagAndNumbersVariantsOnce) {
  NameRegister names;
  names.add("Smith  ");
  names.add("Smith (2)");
  EXPECT_TRUE(names.contains("SMITH"));
  EXPECT_FALSE(names.contains(" Smith"));
  EXPECT_EQ(names.freeVariant("Smith"), "Smith (3)");
  EXPECT_EQ(names.freeVariant(std::string(30, 'x')), std::string(26, 'x') + " (2)");
  EXPECT_EQ(names.freeVariant(std::string(30, 'x'), 3), "xxx");  // no suffix fits
  // Twenty thousand of one name: each gets its own number, found at once.
  std::set<std::string> given;
  for (int i = 0; i < 20000; ++i) {
    const std::string variant = names.freeVariant("Ann Lee");
    names.add(variant);
    given.insert(variant);
  }
  EXPECT_EQ(given.size(), 20000u);
  EXPECT_EQ(*given.rbegin(), "Ann Lee (9999)");
  EXPECT_EQ(withSuffix("Smith" + std::string(25, ' '), " (server)"), "Smith (server)");
}

}  // namespace
}  // namespace book
