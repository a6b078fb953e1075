// Entry count, focus requests, pack and the search's per-record test of the
// data module.
#include <QDir>
#include <QSignalSpy>

#include "address_fixture.h"
#include "store/engine_error.h"
#include "xbase/cursor.h"
#include "xbase/file.h"
#include "xbase/lock.h"

namespace {

TEST_F(AddressTableTest, EntryCountFollowsInsertCancelPostAndDelete) {
  folder.appendEntry("ADAMS");
  folder.appendEntry("BAKER");
  openModule();
  QSignalSpy focus(&dm, &store::TDM::focusGridRequested);
  ASSERT_EQ(dm.entryCount(), 2);

  dm.tblAddress.append();
  dm.tblAddress.setText("Name", "CLARK");
  dm.tblAddress.cancel();
  EXPECT_EQ(dm.entryCount(), 2);

  ASSERT_TRUE(insertEntry("CLARK"));
  EXPECT_EQ(dm.entryCount(), 3);

  dm.tblAddress.edit();  // an edit does not add an entry
  dm.tblAddress.setText("Info", "memo");
  ASSERT_TRUE(dm.tblAddress.post());
  EXPECT_EQ(dm.entryCount(), 3);

  EXPECT_FALSE(insertEntry("clark"));  // refused: no change
  dm.tblAddress.cancel();
  EXPECT_EQ(dm.entryCount(), 3);

  dm.tblAddress.first();
  dm.tblAddress.deleteRecord();
  EXPECT_EQ(dm.entryCount(), 2);
  EXPECT_EQ(dm.tblAddress.recordCount(), 2);
  // insert, cancel, insert, post, insert (refused), cancel, delete
  EXPECT_EQ(focus.count(), 8);
}

TEST_F(AddressTableTest, DeletingTheLastEntryMovesToTheNewLast) {
  for (const char* name : {"ADAMS", "BAKER", "CLARK"}) folder.appendEntry(name);
  openModule();
  dm.tblAddress.last();
  dm.tblAddress.deleteRecord();
  EXPECT_EQ(dm.tblAddress.text("Name"), "BAKER");
  dm.tblAddress.deleteRecord();
  dm.tblAddress.deleteRecord();
  EXPECT_TRUE(dm.tblAddress.isEmpty());
  EXPECT_THROW(dm.tblAddress.deleteRecord(), store::EngineError);
  EXPECT_EQ(dm.entryCount(), 0);
}

TEST_F(AddressTableTest, PackOfAnEmptyTable) {
  openModule();
  dm.pack();
  EXPECT_TRUE(dm.tblAddress.isActive());
  EXPECT_FALSE(dm.tblAddress.exclusive());
  EXPECT_TRUE(dm.tblAddress.isEmpty());
  EXPECT_FALSE(dm.tblAddress.controlsDisabled());
}

TEST_F(AddressTableTest, PackRemovesDeletedEntriesAndRefreshesControlsOnce) {
  for (const char* name : {"CLARK", "ADAMS", "BAKER"}) folder.appendEntry(name, "memo of " + QString(name));
  openModule();
  ASSERT_TRUE(dm.tblAddress.seekExact("BAKER"));
  dm.tblAddress.deleteRecord();

  QSignalSpy changed(&dm.dsAddress, &store::DataSource::dataSetChanged);
  QSignalSpy active(&dm.dsAddress, &store::DataSource::activeChanged);
  dm.pack();

  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(active.count(), 0);  // closed and reopened while held back
  EXPECT_FALSE(dm.tblAddress.exclusive());
  EXPECT_EQ(dm.tblAddress.text("Name"), "ADAMS");
  EXPECT_EQ(visibleNames(dm.tblAddress), (QStringList{"ADAMS", "CLARK"}));
  EXPECT_EQ(dm.tblAddress.text("Info"), "memo of CLARK");
  const auto info = xbase::tableInfo(store::toFileSystemPath(folder.filePath(book::kTableName)));
  EXPECT_EQ(info.recordCount, 2u);
  EXPECT_EQ(dm.entryCount(), 2);  // not recounted, but it was kept right
}

TEST_F(AddressTableTest, FailedPackReopensSharedAndNamesTheComponent) {
  folder.appendEntry("ADAMS");
  openModule();
  dm.tblFilter.open();  // holds the table: the exclusive open must fail

  try {
    dm.pack();
    FAIL() << "pack succeeded while another cursor held the table";
  } catch (const store::EngineError& e) {
    EXPECT_EQ(e.component(), "tblAddress");
    EXPECT_TRUE(e.displayText().startsWith("tblAddress: ")) << e.displayText().toStdString();
  }
  EXPECT_TRUE(dm.tblAddress.isActive());
  EXPECT_FALSE(dm.tblAddress.exclusive());
  EXPECT_FALSE(dm.tblAddress.controlsDisabled());
  EXPECT_EQ(dm.tblAddress.text("Name"), "ADAMS");

  dm.closeFilterAndPack();  // the maintenance path closes tblFilter first
  EXPECT_FALSE(dm.tblFilter.isActive());
  EXPECT_TRUE(dm.tblAddress.isActive());
}

TEST_F(AddressTableTest, OpeningAMissingTableReportsTheComponent) {
  dm.setFolder(folder.filePath("nowhere"));
  try {
    dm.tblAddress.open();
    FAIL() << "opened a table that does not exist";
  } catch (const store::EngineError& e) {
    EXPECT_EQ(e.component(), "tblAddress");
    EXPECT_FALSE(e.engineText().isEmpty());
  }
  EXPECT_FALSE(dm.tblAddress.isActive());
}

// --- search ------------------------------------------------------------------

class SearchTest : public AddressTableTest {
 protected:
  void SetUp() override {
    AddressTableTest::SetUp();
    folder.appendEntry("Smith", "Phone: 555-0100");
    folder.appendEntry("Osmium Ltd", "");
    folder.appendEntry("Jones", "met Mr. smith at the fair");
    folder.appendEntry("Brown", QString("nothing here") + QChar(0) + "smith after a zero byte");
    openModule();
  }

  QStringList search(const QString& typed, bool includeMemo) {
    dm.search().setText(typed);
    dm.search().setIncludeMemo(includeMemo);
    if (includeMemo) dm.tblFilter.open();
    dm.tblAddress.setFilterText(dm.search().expression());
    dm.tblAddress.setFiltered(true);
    return visibleNames(dm.tblAddress);
  }
};

TEST_F(SearchTest, NameOnlyUsesTheExpression) {
  EXPECT_EQ(dm.tblAddress.filterText(), "");
  EXPECT_EQ(search("smi", false), (QStringList{"Osmium Ltd", "Smith"}));
  EXPECT_EQ(dm.tblAddress.filterText(), "\"SMI\"$upper(Name)");
  EXPECT_EQ(dm.tblAddress.recordCount(), 2);
  EXPECT_FALSE(dm.tblFilter.isActive());
}

TEST_F(SearchTest, NameAndMemoReadsMemosUpToAZeroByte) {
  EXPECT_EQ(search("SMI", true), (QStringList{"Jones", "Osmium Ltd", "Smith"}));
}

TEST_F(SearchTest, SwitchingOffShowsAllAndKeepsTheCurrentEntry) {
  search("jon", true);
  ASSERT_EQ(dm.tblAddress.text("Name"), "Jones");
  dm.tblAddress.setFiltered(false);
  EXPECT_EQ(dm.tblAddress.text("Name"), "Jones");
  EXPECT_EQ(visibleNames(dm.tblAddress).size(), 4);
}

TEST_F(SearchTest, SwitchingOffAfterTheEntryWasDeletedElsewhereGoesToTheFirst) {
  search("osm", false);
  ASSERT_EQ(dm.tblAddress.text("Name"), "Osmium Ltd");
  store::EngineTable other("tblOther");
  other.setFolder(folder.path());
  other.setTableName("ADDRESS.DBF");
  other.setIndexName("ADDRESS");
  other.open();
  ASSERT_TRUE(other.seekExact("OSMIUM LTD"));
  other.deleteRecord();

  dm.tblAddress.setFiltered(false);
  EXPECT_EQ(dm.tblAddress.text("Name"), "Brown");
  EXPECT_EQ(visibleNames(dm.tblAddress), (QStringList{"Brown", "Jones", "Smith"}));
}

TEST_F(SearchTest, InsertDuringAMemoSearchKeepsTheSearchWorking) {
  search("fair", true);
  // The pass read its memos under one read lock and gave it back at its end.
  xbase::File memo((folder.path() + "/ADDRESS.fpt").toStdString(), xbase::File::Access::ReadWrite);
  EXPECT_TRUE(memo.tryLock(xbase::lockregion::kMemo, 1, true));
  memo.unlock(xbase::lockregion::kMemo, 1);
  ASSERT_TRUE(insertEntry("Green", "at the FAIR too"));
  EXPECT_TRUE(dm.tblFilter.isActive());
  EXPECT_EQ(visibleNames(dm.tblAddress), (QStringList{"Green", "Jones"}));
}

TEST_F(SearchTest, EntriesSharingAKeyAreToldApart) {
  folder.appendEntry("JONES", "a memo without the word");
  dm.tblAddress.close();
  dm.tblAddress.open();
  EXPECT_EQ(search("fair", true), (QStringList{"Jones"}));
}

TEST_F(SearchTest, QuotesInTheTextSearchLiterally) {
  folder.appendEntry("The \"Best\" Shop");
  folder.appendEntry("Bob's [\"Best\"] Bar");
  dm.tblAddress.close();
  dm.tblAddress.open();
  EXPECT_EQ(search("\"best\"", false), (QStringList{"Bob's [\"Best\"] Bar", "The \"Best\" Shop"}));
  EXPECT_EQ(search("'s [\"best\"]", false), (QStringList{"Bob's [\"Best\"] Bar"}));
  EXPECT_EQ(dm.tblAddress.filterText(), "");  // no literal spells it: decided per record
}

TEST_F(SearchTest, ARejectedExpressionLeavesTheFilterOff) {
  dm.tblAddress.setFilterText("\"SMI$upper(Name)");
  EXPECT_THROW(dm.tblAddress.setFiltered(true), store::EngineError);
  EXPECT_FALSE(dm.tblAddress.filtered());
  EXPECT_EQ(visibleNames(dm.tblAddress).size(), 4);
}

}  // namespace

namespace {

TEST(DataFolder, NonAsciiFolderNamesWork) {
  testsupport::TempDataFolder root;
  testsupport::FakeDialogs dialogs;
  const QString folder = root.filePath(QString::fromUtf8("Donn\u00e9es \u03a9 \u65e5\u672c"));
  ASSERT_TRUE(QDir().mkdir(folder));
  store::createAddressTable(folder);
  store::TDM dm;
  dm.setFolder(folder);
  dm.tblAddress.setIndexName({});  // no tag yet
  dm.tblAddress.reopen(true);
  dm.tblAddress.createTag("Address", "upper(Name)");
  dm.tblAddress.setIndexName("ADDRESS");
  dm.tblAddress.reopen(false);
  dm.tblAddress.append();
  dm.tblAddress.setText("Name", QString::fromUtf8("Caf\u00e9 M\u00fcller"));
  ASSERT_TRUE(dm.tblAddress.post());
  dm.tblAddress.close();
  dm.tblAddress.open();
  EXPECT_EQ(dm.tblAddress.text("Name"), QString::fromUtf8("Caf\u00e9 M\u00fcller"));
}

}  // namespace
