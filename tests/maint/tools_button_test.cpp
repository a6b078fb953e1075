// The main window's ToolsSpeed button runs the maintenance command end to end.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "fake_dialogs.h"
#include "platform/program_folder.h"
#include "store/data_module.h"
#include "temp_data_folder.h"
#include "zip/zip_archive.h"

namespace {

TEST(ToolsButton, PacksAndWritesTheBackupIntoTheProgramFolder) {
  testsupport::FakeDialogs dialogs;
  testsupport::TempDataFolder work;
  QTemporaryDir programFolder;
  platform::ProgramFolder::setPath(programFolder.path());
  work.createAddressTable();
  work.appendEntry("ADAMS", "memo");
  store::TDM dm;
  app::TRuViv window(dm, {}, work.path());
  window.show();
  ASSERT_TRUE(dm.tblAddress.isActive());
  ASSERT_TRUE(window.ToolsSpeed->isEnabled());

  dialogs.queueAnswer(true);
  QTest::mouseClick(window.ToolsSpeed, Qt::LeftButton);

  const QString archive = QDir(programFolder.path()).filePath("KTdata.zip");
  EXPECT_EQ(dialogs.texts(), (QStringList{"File maintenance completed\nNow create Zip archive (backup) file?",
                                          "Created/Updated Zip archive file: " + archive +
                                              ".\nPlease copy it to an EXTERNAL drive or webspace for safekeeping."}));
  EXPECT_EQ(zip::ZipArchive::open(archive.toStdString()).entryCount(), 2u);
  EXPECT_TRUE(dm.tblAddress.isActive());
  platform::ProgramFolder::setPath({});
}

}  // namespace
