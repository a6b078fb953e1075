// The table component: positions, bookmarks, held-back notifications,
// stopped posts and field access, on a real table.
#include <QFile>
#include <QSignalSpy>

#include "address_fixture.h"
#include "store/abort.h"
#include "store/engine_error.h"
#include "xbase/cursor.h"

namespace {

class EngineTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.createAddressTable();
    // Natural order differs from alphabetical order.
    for (const char* name : {"CLARK", "ADAMS", "EVANS", "BAKER", "DAVIS"}) folder.appendEntry(name);
    table.setFolder(folder.path());
    table.setTableName("address.dbf");
  }

  testsupport::TempDataFolder folder;
  store::EngineTable table{"tblTest"};
  store::DataSource source{"dsTest", &table};
};

TEST_F(EngineTableTest, EndsAreFlaggedWhileStayingOnARecord) {
  table.setIndexName("address");  // tag names ignore case
  table.open();
  EXPECT_TRUE(table.bof());
  EXPECT_EQ(table.text("NAME"), "ADAMS");
  table.prior();
  EXPECT_TRUE(table.bof());
  EXPECT_EQ(table.text("name"), "ADAMS");

  EXPECT_EQ(table.moveBy(10), 4);
  EXPECT_TRUE(table.eof());
  EXPECT_EQ(table.text("Name"), "EVANS");
  EXPECT_EQ(table.moveBy(-2), -2);
  EXPECT_FALSE(table.eof());
  EXPECT_EQ(table.text("Name"), "CLARK");
}

TEST_F(EngineTableTest, BookmarksSurviveOrderChanges) {
  table.open();  // natural order
  table.next();
  table.next();
  ASSERT_EQ(table.text("Name"), "EVANS");
  store::Bookmark mark = table.bookmark();

  table.setIndexName("ADDRESS");
  EXPECT_EQ(table.text("Name"), "EVANS");  // the order change keeps the record
  table.first();
  table.gotoBookmark(mark);
  EXPECT_EQ(table.text("Name"), "EVANS");
  table.next();
  EXPECT_TRUE(table.eof());  // EVANS is last alphabetically

  table.setIndexName("");
  table.gotoBookmark(mark);
  table.next();
  EXPECT_EQ(table.text("Name"), "BAKER");  // natural successor
  table.freeBookmark(mark);
  EXPECT_FALSE(mark.isValid());
}

TEST_F(EngineTableTest, BookmarkOfADeletedRecordIsRefused) {
  table.open();
  const store::Bookmark mark = table.bookmark();
  table.deleteRecord();
  EXPECT_THROW(table.gotoBookmark(mark), store::EngineError);
}

TEST_F(EngineTableTest, SeekNeedsAnIndexAndFindsNearest) {
  table.open();
  try {
    table.seekExact("ADAMS");
    FAIL() << "seek in natural order";
  } catch (const store::EngineError& e) {
    EXPECT_EQ(e.displayText(), "tblTest: No parseable expressions in setting key fields");
  }
  table.setIndexName("ADDRESS");
  table.seekNearest("C");
  EXPECT_EQ(table.text("Name"), "CLARK");
  table.seekNearest("Z");
  EXPECT_EQ(table.text("Name"), "EVANS");
  EXPECT_TRUE(table.eof());
  EXPECT_FALSE(table.seekExact("BAKE"));
  EXPECT_EQ(table.text("Name"), "EVANS");  // a miss keeps the position
}

TEST_F(EngineTableTest, DisabledControlsGetNothingThenOneRefresh) {
  table.setIndexName("ADDRESS");
  table.open();
  QSignalSpy changed(&source, &store::DataSource::dataSetChanged);
  QSignalSpy scrolled(&source, &store::DataSource::dataSetScrolled);
  QSignalSpy state(&source, &store::DataSource::stateChanged);

  table.disableControls();
  table.disableControls();
  table.next();
  table.edit();
  table.setText("Name", "BAKER II");
  table.post();
  table.enableControls();
  EXPECT_EQ(changed.count() + scrolled.count() + state.count(), 0);
  table.enableControls();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(scrolled.count(), 0);
  EXPECT_EQ(state.count(), 0);  // Browse before and after

  table.next();
  EXPECT_EQ(scrolled.count(), 1);
  table.enableControls();  // unbalanced: ignored
  EXPECT_FALSE(table.controlsDisabled());
}

TEST_F(EngineTableTest, AbortInBeforePostStopsSilentlyWithTheBufferKept) {
  table.open();
  int afterPosts = 0;
  bool refuse = true;
  table.setBeforePost([&](store::EngineTable&) {
    if (refuse) throw store::Abort();
  });
  table.setAfterPost([&](store::EngineTable&) { ++afterPosts; });
  table.edit();
  table.setText("Name", "CHANGED");
  EXPECT_FALSE(table.post());
  EXPECT_EQ(table.state(), store::DatasetState::Edit);
  EXPECT_EQ(table.text("Name"), "CHANGED");
  EXPECT_EQ(afterPosts, 0);
  refuse = false;
  EXPECT_TRUE(table.post());
  EXPECT_EQ(afterPosts, 1);
  EXPECT_EQ(table.text("Name"), "CHANGED");
}

TEST_F(EngineTableTest, FieldsAreCheckedAndConverted) {
  table.open();
  EXPECT_THROW(table.text("Phone"), store::EngineError);
  EXPECT_THROW(table.setText("Name", "x"), store::EngineError);  // not editing
  table.edit();
  table.setText("Name", QString("Caf\u00e9 \u20ac") + QString(40, 'x'));
  EXPECT_EQ(table.bytes("Name").left(6), QByteArray("Caf\xe9 \x80"));
  EXPECT_EQ(table.text("Name").size(), 30);  // cut to the field width
  EXPECT_THROW(table.setText("LastDate", "13/45/26"), store::EngineError);
  table.setText("LastDate", "12/31/49");
  EXPECT_EQ(table.date("LastDate"), QDate(2049, 12, 31));
  table.cancel();
  EXPECT_EQ(table.text("Name"), "CLARK");
}

TEST_F(EngineTableTest, EditOnAnEmptyTableInserts) {
  testsupport::TempDataFolder empty;
  empty.createAddressTable();
  store::EngineTable fresh("tblEmpty");
  fresh.setFolder(empty.path());
  fresh.setTableName("ADDRESS.DBF");
  fresh.open();
  EXPECT_TRUE(fresh.isEmpty());
  fresh.edit();
  EXPECT_EQ(fresh.state(), store::DatasetState::Insert);
}

TEST_F(EngineTableTest, PeekRowsReadsAheadWithoutMoving) {
  table.setIndexName("ADDRESS");
  table.open();
  table.next();  // BAKER
  QSignalSpy scrolled(&source, &store::DataSource::dataSetScrolled);
  const auto rows = table.peekRows(-1, 3, {"Name"});
  ASSERT_EQ(rows.size(), 3);
  EXPECT_EQ(rows[0].values, QStringList{"ADAMS"});
  EXPECT_EQ(rows[2].values, QStringList{"CLARK"});
  EXPECT_EQ(table.text("Name"), "BAKER");
  EXPECT_EQ(scrolled.count(), 0);
  EXPECT_EQ(table.peekRows(3, 10, {"Name"}).size(), 1);  // EVANS only
}

// Another copy of the program deletes the entry this table still shows: an
// edit of it (and a post, when a program ignoring the locks deleted it during
// the edit) is refused with a message, nothing reaches the deleted record and
// the table moves on to the next entry with a refresh.
TEST_F(EngineTableTest, EntryDeletedElsewhereIsNeitherEditedNorPosted) {
  table.setIndexName("ADDRESS");
  table.open();  // ADAMS, record 2
  const QString dbf = folder.filePath("ADDRESS.DBF");
  auto other = xbase::Cursor::open(dbf.toStdString(), xbase::OpenMode::Shared);
  other->go(2);
  other->deleteRecord();
  QSignalSpy changed(&source, &store::DataSource::dataSetChanged);
  const auto refused = [&](const std::function<void()>& step) {
    try {
      step();
    } catch (const store::EngineError& e) {
      return e.displayText().contains("deleted by another user");
    }
    return false;
  };
  EXPECT_TRUE(refused([&] { table.edit(); }));
  EXPECT_EQ(table.state(), store::DatasetState::Browse);
  EXPECT_EQ(table.text("Name"), "BAKER");
  EXPECT_EQ(changed.count(), 1);

  table.edit();
  table.setText("Info", "never stored");
  QFile file(dbf);  // BAKER is record 4: mark it deleted without any lock
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const QByteArray head = file.read(12);
  const auto word = [&](int at) { return quint8(head[at]) | quint8(head[at + 1]) << 8; };
  file.seek(word(8) + 3 * word(10));
  file.write("*");
  file.close();
  EXPECT_TRUE(refused([&] { table.post(); }));
  EXPECT_EQ(table.state(), store::DatasetState::Browse);
  EXPECT_EQ(table.text("Name"), "CLARK");
  other->go(4);
  EXPECT_EQ(other->value("Info"), "");
}

}  // namespace
