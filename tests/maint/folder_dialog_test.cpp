// FolderDialog1: shows the chosen folder and makes new ones inside it.

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "maint/folder_dialog.h"

namespace {

TEST(FolderDialog, ShowsTheStartFolderAndCreatesNumberedNewFoldersInsideTheChosenOne) {
  QTemporaryDir root;
  maint::FolderDialog dialog(root.path());
  EXPECT_EQ(dialog.objectName(), "FolderDialog1");
  auto* path = dialog.findChild<QLabel*>("FolderPath");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->text(), QDir::toNativeSeparators(root.path()));
  EXPECT_EQ(dialog.selectedFolder(), root.path());

  auto* newFolder = dialog.findChild<QPushButton*>("NewFolderButton");
  ASSERT_NE(newFolder, nullptr);
  EXPECT_EQ(newFolder->text(), "New folder");
  QTest::mouseClick(newFolder, Qt::LeftButton);
  EXPECT_TRUE(QDir(root.filePath("New folder")).exists());
  EXPECT_EQ(dialog.selectedFolder(), root.filePath("New folder"));

  dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  maint::FolderDialog again(root.path());
  again.findChild<QPushButton*>("NewFolderButton")->click();
  EXPECT_EQ(again.selectedFolder(), root.filePath("New folder (2)"));
}

}  // namespace
