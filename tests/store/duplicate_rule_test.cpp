// The duplicate-name rule on insert and the last-change date stamp.
#include "address_fixture.h"

namespace {

struct DuplicateCase {
  const char* name;
  const char* stored;
  const char* typed;
  bool refused;
};
// Printed by name, so that the case's name is what CTest and failures show.
void PrintTo(const DuplicateCase& c, std::ostream* out) { *out << c.name; }

class DuplicateRuleTest : public AddressTableTest, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(DuplicateRuleTest, WholeKeyDecides) {
  const DuplicateCase& c = GetParam();
  folder.appendEntry(c.stored);
  openModule();

  const bool stored = insertEntry(c.typed);

  EXPECT_EQ(stored, !c.refused);
  if (c.refused) {
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].title, "Kestrane Cardlark");
    EXPECT_EQ(dialogs.boxes()[0].buttons, QStringList{"OK"});
    EXPECT_EQ(dialogs.boxes()[0].text, "ERROR! entry already exists for: " + QString(c.typed).trimmed());
    // Still inserting, with the name as typed and no date stamped.
    EXPECT_EQ(dm.tblAddress.state(), store::DatasetState::Insert);
    EXPECT_EQ(dm.tblAddress.text("Name"), QString(c.typed).trimmed());
    EXPECT_FALSE(dm.tblAddress.date("LastDate").isValid());
    EXPECT_EQ(dm.entryCount(), 1);
    dm.tblAddress.cancel();
    EXPECT_EQ(dm.tblAddress.recordCount(), 1);
  } else {
    EXPECT_TRUE(dialogs.boxes().empty());
    EXPECT_EQ(dm.tblAddress.state(), store::DatasetState::Browse);
    EXPECT_EQ(dm.tblAddress.recordCount(), 2);
    EXPECT_EQ(dm.entryCount(), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, DuplicateRuleTest,
                         ::testing::Values(DuplicateCase{"typedInLowerCase", "SMITH", "smith", true},
                                           DuplicateCase{"trailingBlanksTyped", "SMITH", "Smith   ", true},
                                           DuplicateCase{"storedInMixedCase", "Smith", "SMITH", true},
                                           DuplicateCase{"typedPrefixOfStored", "SMITHSON", "SMITH", false},
                                           DuplicateCase{"storedPrefixOfTyped", "SMITH", "SMITHSON", false},
                                           DuplicateCase{"leadingBlankTyped", "SMITH", " Smith", false},
                                           DuplicateCase{"punctuationTyped", "SMITH", "SMITH.", false},
                                           DuplicateCase{"lettersBeyondAscii", "M\xc3\xbcller", "M\xc3\x9cLLER", false},
                                           DuplicateCase{"fullWidthName", "123456789012345678901234567890",
                                                         "123456789012345678901234567890", true}));

TEST_F(AddressTableTest, RefusedInsertCanBeCorrectedAndStored) {
  folder.appendEntry("SMITH");
  openModule();
  EXPECT_FALSE(insertEntry("smith", "Phone: 555"));

  dm.tblAddress.setText("Name", "Smith Jr");
  EXPECT_TRUE(dm.tblAddress.post());
  EXPECT_EQ(dm.tblAddress.text("Info"), "Phone: 555");
  EXPECT_EQ(visibleNames(dm.tblAddress), (QStringList{"SMITH", "Smith Jr"}));
}

TEST_F(AddressTableTest, RenamingAnEntryToAnExistingNameIsStored) {
  folder.appendEntry("JONES");
  folder.appendEntry("SMITH");
  openModule();
  dm.tblAddress.first();
  dm.tblAddress.edit();
  dm.tblAddress.setText("Name", "smith");
  EXPECT_TRUE(dm.tblAddress.post());
  EXPECT_TRUE(dialogs.boxes().empty());
  EXPECT_EQ(visibleNames(dm.tblAddress).size(), 2);
}

TEST_F(AddressTableTest, MovingAwayFromARefusedInsertStaysOnIt) {
  folder.appendEntry("SMITH");
  openModule();
  dm.tblAddress.append();
  dm.tblAddress.setText("Name", "smith");
  dm.tblAddress.first();  // finishing the edit posts, the rule refuses
  EXPECT_EQ(dm.tblAddress.state(), store::DatasetState::Insert);
  EXPECT_EQ(dialogs.boxes().size(), 1u);
}

TEST_F(AddressTableTest, PostStampsTodayAlsoForAMemoOnlyEdit) {
  folder.appendEntry("SMITH", "old memo", QDate(2020, 1, 2));
  openModule();
  dm.tblAddress.edit();
  dm.tblAddress.setText("Info", "new memo");
  ASSERT_TRUE(dm.tblAddress.post());
  EXPECT_EQ(dm.tblAddress.date("LastDate"), today());
  EXPECT_EQ(dm.tblAddress.text("LastDate"), "03/07/26");

  ASSERT_TRUE(insertEntry("JONES"));
  EXPECT_EQ(dm.tblAddress.date("lastdate"), today());
}

TEST_F(AddressTableTest, DuplicateTestLeavesTblFilterAsItFoundIt) {
  folder.appendEntry("SMITH");
  openModule();
  ASSERT_TRUE(insertEntry("JONES"));
  EXPECT_FALSE(dm.tblFilter.isActive());

  dm.tblFilter.open();
  ASSERT_TRUE(insertEntry("BROWN"));
  EXPECT_TRUE(dm.tblFilter.isActive());
  EXPECT_FALSE(insertEntry("brown"));
  EXPECT_TRUE(dm.tblFilter.isActive());
}

}  // namespace
