// The maintenance command's message flow and effects on a real temporary
// table, with recorded dialogs.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "cancelled_long_work.h"
#include "fake_dialogs.h"
#include "maint/maintenance_command.h"
#include "maint/maintenance_texts.h"
#include "platform/program_folder.h"
#include "platform/qt/progress_long_work.h"
#include "store/abort.h"
#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/data_module.h"
#include "temp_data_folder.h"
#include "xbase/cursor.h"
#include "zip/zip_archive.h"

namespace {

using testsupport::FakeDialogs;

const QString kRefusal = QStringLiteral(
    "Cannot reindex filtered database. However,\n"
    "do you want to copy the filtered RECORD SET to another drive/directory?\n"
    "(to copy all records first cancel filter)");
const QString kQuestion = QStringLiteral("File maintenance completed\nNow create Zip archive (backup) file?");

QString successText(const QString& archive) {
  return "Created/Updated Zip archive file: " + archive +
         ".\nPlease copy it to an EXTERNAL drive or webspace for safekeeping.";
}

std::uint32_t recordsInFile(const QString& folder) {
  return xbase::tableInfo(store::toFileSystemPath(QDir(folder).filePath("ADDRESS.DBF"))).recordCount;
}

// Names of the table in `folder` in the order of its index.
QStringList namesByIndex(const QString& folder) {
  auto cursor = xbase::Cursor::open(store::toFileSystemPath(QDir(folder).filePath("ADDRESS.DBF")),
                                    xbase::OpenMode::Shared);
  cursor->setOrder("ADDRESS");
  QStringList names;
  for (cursor->first(); !cursor->eof(); cursor->skip()) names << QString::fromStdString(cursor->value("NAME"));
  return names;
}

class MaintenanceCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ProgramFolder::setPath(programFolder.path());
    folder.createAddressTable();
    for (const char* name : {"CLARK", "ADAMS", "BAKER", "ABBOT"}) folder.appendEntry(name, QString("memo of ") + name);
    dm.setFolder(folder.path());
    dm.tblAddress.open();
    dm.takeEntryCount();
    ASSERT_TRUE(dm.tblAddress.seekExact("BAKER"));
    dm.tblAddress.deleteRecord();
  }
  void TearDown() override { platform::ProgramFolder::setPath({}); }

  void searchNamesFor(const QString& text) {
    dm.search().setText(text);
    dm.tblAddress.setFilterText(dm.search().expression());
    dm.tblAddress.setFiltered(true);
  }
  QStringList shownNames() {
    QStringList names;
    for (dm.tblAddress.first(); !dm.tblAddress.eof(); dm.tblAddress.next()) names << dm.tblAddress.text("Name");
    return names;
  }
  void expectTableBackInService() {
    EXPECT_TRUE(dm.tblAddress.isActive());
    EXPECT_FALSE(dm.tblAddress.exclusive());
    EXPECT_FALSE(dm.tblAddress.controlsDisabled());
  }
  QString archiveIn(const QString& dir) const { return QDir(dir).filePath("KTdata.zip"); }

  QTemporaryDir programFolder;
  testsupport::TempDataFolder folder;
  FakeDialogs dialogs;
  store::TDM dm;
  int refreshes = 0;
  QString chosenFolder;
  maint::MaintenanceCommand command{dm, {[this] { ++refreshes; }, [this] { return chosenFolder; }}};
};

TEST_F(MaintenanceCommandTest, PacksAsksThenArchivesBothTableFilesInTheProgramFolder) {
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();

  const QString archive = archiveIn(programFolder.path());
  ASSERT_EQ(dialogs.boxes().size(), 2u);
  EXPECT_EQ(dialogs.boxes()[0].text, kQuestion);
  EXPECT_EQ(dialogs.boxes()[0].buttons, (QStringList{"Yes", "No"}));
  EXPECT_EQ(dialogs.boxes()[1].text, successText(archive));
  EXPECT_EQ(dialogs.boxes()[1].title, "Kestrane Cardlark");
  expectTableBackInService();
  EXPECT_EQ(recordsInFile(folder.path()), 3u);
  EXPECT_EQ(namesByIndex(folder.path()), (QStringList{"ABBOT", "ADAMS", "CLARK"}));
  EXPECT_EQ(shownNames(), (QStringList{"ABBOT", "ADAMS", "CLARK"}));  // alphabetical order still in force
  EXPECT_EQ(refreshes, 1);

  zip::ZipArchive zip = zip::ZipArchive::open(archive.toStdString());
  ASSERT_EQ(zip.entryCount(), 2u);
  EXPECT_EQ(zip.entry(0).name, "ADDRESS.DBF");
  EXPECT_EQ(zip.entry(1).name, "ADDRESS.fpt");
  EXPECT_EQ(zip.entry(0).uncompressedSize, QFile(folder.filePath("ADDRESS.DBF")).size());

  // A second run with nothing changed says the same and keeps what the
  // archive holds. (Its pack rewrites the table files, so their stamps move
  // to a later two-second step when the run crosses one, and the entries are
  // then stored again with the same bytes.)
  const auto contents = [&] {
    const zip::ZipArchive again = zip::ZipArchive::open(archive.toStdString());
    std::vector<std::tuple<std::string, std::uint32_t, std::uint32_t>> held;
    for (std::size_t i = 0; i < again.entryCount(); ++i)
      held.emplace_back(again.entry(i).name, again.entry(i).crc32, again.entry(i).uncompressedSize);
    return held;
  };
  const auto before = contents();
  dialogs.clear();
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), (QStringList{kQuestion, successText(archive)}));
  EXPECT_EQ(contents(), before);
}

// With the program's long work the pack and the backup run on a worker
// thread while the event loop goes on; the ThreadSanitizer build runs this.
TEST_F(MaintenanceCommandTest, PackAndBackupRunOffTheUserInterfaceThread) {
  platform::qt::ProgressLongWork longWork;
  const struct Installed {
    platform::LongWork* previous;
    ~Installed() { platform::setLongWork(previous); }
  } installed{platform::setLongWork(&longWork)};
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), (QStringList{kQuestion, successText(archiveIn(programFolder.path()))}));
  EXPECT_EQ(namesByIndex(folder.path()), (QStringList{"ABBOT", "ADAMS", "CLARK"}));
  EXPECT_EQ(zip::ZipArchive::open(archiveIn(programFolder.path()).toStdString()).entryCount(), 2u);
  expectTableBackInService();
}

// Cancel in the backup's progress: the old archive stays byte for byte,
// no temporary file is left beside it, and the table is back in service.
TEST_F(MaintenanceCommandTest, ACancelledBackupLeavesTheOldArchive) {
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();
  const QString archive = archiveIn(programFolder.path());
  QFile file(archive);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray old = file.readAll();
  file.close();
  folder.appendEntry("DAVIS", "changed since");

  const testsupport::CancelledLongWork cancelling;
  dialogs.clear();
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), (QStringList{kQuestion, "Backup cancelled: " + archive + " was left as it was."}));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), old);
  EXPECT_EQ(QDir(programFolder.path()).entryList(QDir::Files), QStringList{"KTdata.zip"});
  expectTableBackInService();
}

TEST_F(MaintenanceCommandTest, AnsweringNoPacksButWritesNoArchive) {
  dialogs.queueAnswer(false);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), QStringList{kQuestion});
  EXPECT_EQ(recordsInFile(folder.path()), 3u);
  EXPECT_FALSE(QFile::exists(archiveIn(programFolder.path())));
  expectTableBackInService();
  EXPECT_EQ(refreshes, 1);
}

TEST_F(MaintenanceCommandTest, WhenTheProgramFolderCannotBeWrittenTheArchiveGoesToTheDataFolder) {
  platform::ProgramFolder::setPath(programFolder.filePath("missing"));
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();
  const QString archive = archiveIn(QFileInfo(folder.path()).absoluteFilePath());
  EXPECT_EQ(dialogs.texts(), (QStringList{kQuestion, successText(archive)}));
  EXPECT_TRUE(QFile::exists(archive));
}

TEST_F(MaintenanceCommandTest, AnArchiveThatCannotBeWrittenIsReportedAndTheTableReopened) {
  const QString archive = archiveIn(programFolder.path());
  QFile junk(archive);
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not an archive at all, but long enough");
  junk.close();
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();
  ASSERT_EQ(dialogs.boxes().size(), 2u);
  EXPECT_TRUE(dialogs.boxes()[1].error);
  EXPECT_EQ(dialogs.boxes()[1].text, "Unhandled Archive Type");
  expectTableBackInService();
  EXPECT_EQ(refreshes, 0);  // the command ends at the error
  EXPECT_EQ(QFile(archive).size(), 38);
}

TEST_F(MaintenanceCommandTest, APackThatCannotHaveTheTableAloneEndsInTheErrorBox) {
  auto other = xbase::Cursor::open(store::toFileSystemPath(folder.filePath("ADDRESS.DBF")), xbase::OpenMode::Shared);
  command.ToolsSpeedClick();
  ASSERT_EQ(dialogs.boxes().size(), 1u);
  EXPECT_TRUE(dialogs.boxes()[0].error);
  EXPECT_TRUE(dialogs.boxes()[0].text.startsWith("tblAddress: ")) << dialogs.boxes()[0].text.toStdString();
  expectTableBackInService();
  EXPECT_EQ(recordsInFile(folder.path()), 4u);
  EXPECT_EQ(refreshes, 0);
}

TEST_F(MaintenanceCommandTest, AReportCursorLeftOpenDoesNotStopThePack) {
  dm.tblClone.setExclusive(false);  // as a report opens it beside the grid's cursor
  dm.tblClone.open();
  dialogs.queueAnswer(false);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), QStringList{kQuestion});
  EXPECT_FALSE(dm.tblClone.isActive());
  EXPECT_EQ(recordsInFile(folder.path()), 3u);
}

TEST_F(MaintenanceCommandTest, DuringASearchNothingIsPackedAndCancelCopiesNothing) {
  searchNamesFor("A");
  dialogs.queueAnswer(false);
  command.ToolsSpeedClick();
  ASSERT_EQ(dialogs.boxes().size(), 1u);
  EXPECT_EQ(dialogs.boxes()[0].text, kRefusal);
  EXPECT_EQ(dialogs.boxes()[0].buttons, (QStringList{"OK", "Cancel"}));
  EXPECT_EQ(recordsInFile(folder.path()), 4u);
  EXPECT_TRUE(dm.tblAddress.filtered());
  EXPECT_EQ(refreshes, 1);
  EXPECT_FALSE(QFile::exists(archiveIn(programFolder.path())));
}

TEST_F(MaintenanceCommandTest, ASilentAbortEndsTheCommandWithoutAnErrorBox) {
  // A step that has told the user already (here the folder chooser) ends the
  // command with store::Abort.
  maint::MaintenanceCommand aborting{dm, {[] {}, []() -> QString { throw store::Abort(); }}};
  searchNamesFor("A");
  dialogs.queueAnswer(true);
  aborting.ToolsSpeedClick();
  ASSERT_EQ(dialogs.boxes().size(), 1u);
  EXPECT_EQ(dialogs.boxes()[0].text, kRefusal);
  EXPECT_EQ(recordsInFile(folder.path()), 4u);
}

TEST_F(MaintenanceCommandTest, DuringASearchTheEntriesFoundCanBeCopiedAsAnIndexedTable) {
  QTemporaryDir target;
  chosenFolder = target.path();
  searchNamesFor("AB");  // ABBOT only
  dialogs.queueAnswer(true);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), (QStringList{kRefusal, "Copied 1 entries to " + target.path() + "."}));
  EXPECT_EQ(namesByIndex(target.path()), QStringList{"ABBOT"});
  EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(), 3);

  // An existing table there is replaced only when the user agrees.
  searchNamesFor("A");  // ABBOT, ADAMS, CLARK
  const QString existing = target.filePath("ADDRESS.DBF");
  const qint64 sizeBefore = QFile(existing).size();
  dialogs.clear();
  dialogs.queueAnswer(true);   // copy
  dialogs.queueAnswer(false);  // do not replace
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.boxes().back().text, maint::copyReplaceQuestion(target.path()));
  EXPECT_EQ(QFile(existing).size(), sizeBefore);

  dialogs.clear();
  dialogs.setDefaultAnswer(true);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts().back(), "Copied 3 entries to " + target.path() + ".");
  EXPECT_EQ(namesByIndex(target.path()), (QStringList{"ABBOT", "ADAMS", "CLARK"}));
  EXPECT_EQ(namesByIndex(folder.path()),
            (QStringList{"ABBOT", "ADAMS", "CLARK"}));  // deleted BAKER not copied, not packed
  EXPECT_EQ(recordsInFile(folder.path()), 4u);
}

TEST_F(MaintenanceCommandTest, TheTableInUseIsNeverTheCopysTarget) {
  chosenFolder = folder.path();
  searchNamesFor("AB");
  dialogs.setDefaultAnswer(true);
  command.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), (QStringList{kRefusal, maint::copyOntoOwnTableText()}));
  EXPECT_EQ(recordsInFile(folder.path()), 4u);
}

}  // namespace

namespace {

// The offer to synchronize comes after the backup, with the data folder,
// and before the grid is refreshed; never while a search is active.
TEST_F(MaintenanceCommandTest, TheSyncIsOfferedLastWithTheDataFolder) {
  QStringList offeredFor;
  int refreshesAtOffer = -1;
  maint::MaintenanceCommand withSync{dm,
                                     {[this] { ++refreshes; }, [this] { return chosenFolder; },
                                      [&](const QString& dataFolder) {
                                        offeredFor << dataFolder;
                                        refreshesAtOffer = refreshes;
                                        EXPECT_TRUE(dm.tblAddress.isActive());
                                      }}};
  dialogs.queueAnswer(false);  // no archive
  withSync.ToolsSpeedClick();
  EXPECT_EQ(dialogs.texts(), QStringList{kQuestion});
  EXPECT_EQ(offeredFor, QStringList{folder.path()});
  EXPECT_EQ(refreshesAtOffer, 0);
  EXPECT_EQ(refreshes, 1);

  searchNamesFor("A");
  dialogs.queueAnswer(false);  // no copy
  withSync.ToolsSpeedClick();
  EXPECT_EQ(offeredFor.size(), 1);
}

}  // namespace
