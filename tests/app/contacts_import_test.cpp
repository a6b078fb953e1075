// Contact files dropped on the grid of names or named on the command line:
// imported into the table the window holds open, with a summary; refused
// drags; a bad card is skipped, a file that cannot be read stores nothing.

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include "app/contacts_import.h"
#include "window_fixture.h"

namespace {

using app_testing::WindowFixture;

QString writeFile(const QString& path, const QByteArray& text) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
  return path;
}

const QByteArray kTwoCards =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Smith\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Baker\r\nTEL:+1 555 0100\r\nEND:VCARD\r\n";

// Sends a drag entering and, when accepted, a drop of `urls` to the grid's
// viewport; returns whether the grid took the drag.
bool drop(app::TRuViv& window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QWidget* viewport = window.ZurGrid->viewport();
  const QPoint at = viewport->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  enter.ignore();
  QCoreApplication::sendEvent(viewport, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  dropped.ignore();
  QCoreApplication::sendEvent(viewport, &dropped);
  EXPECT_TRUE(dropped.isAccepted());
  QCoreApplication::processEvents();  // the import runs once the drop has returned
  return true;
}

TEST(ContactsImport, ADroppedFileJoinsTheOpenTableAndTheGridShowsIt) {
  WindowFixture f;
  f.seed({"Adams", "Smith"});
  app::TRuViv& window = f.start();
  ASSERT_EQ(f.dm->entryCount(), 2);
  const QString file = writeFile(f.work.filePath("phone.vcf"), kTwoCards);

  ASSERT_TRUE(drop(window, {QUrl::fromLocalFile(file)}));
  EXPECT_EQ(f.dialogs.texts(),
            QStringList{"1 imported, 1 skipped: phone.vcf line 1\nphone.vcf line 1: entry already exists for: Smith, "
                        "skipped"});
  EXPECT_EQ(f.dm->entryCount(), 3);
  EXPECT_EQ(f.currentName(), "Baker");
  EXPECT_EQ(f.table().text("Info"), "Phone: +1 555 0100");
  EXPECT_EQ(window.ZurGrid->visibleTexts().mid(0, 3), (QStringList{"Adams", "Baker", "Smith"}));
  EXPECT_TRUE(f.table().isActive());
  EXPECT_FALSE(f.table().exclusive());
}

TEST(ContactsImport, RefusesDragsOfAnythingButLocalContactFiles) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  const QUrl vcf = QUrl::fromLocalFile(writeFile(f.work.filePath("a.VCF"), kTwoCards));
  const QUrl text = QUrl::fromLocalFile(writeFile(f.work.filePath("a.txt"), kTwoCards));
  const QList<QUrl> refused[] = {
      {text},
      {vcf, text},
      {QUrl("https://example.org/a.vcf")},
      {QUrl::fromLocalFile(f.work.filePath("missing.csv"))},
      {QUrl::fromLocalFile(f.work.path() + "/")},
      {},
  };
  for (const QList<QUrl>& urls : refused) EXPECT_FALSE(drop(window, urls)) << urls.size();
  EXPECT_EQ(f.table().recordCount(), 0);
  EXPECT_TRUE(drop(window, {vcf}));  // the extension in any case
  EXPECT_EQ(f.table().recordCount(), 2);
}

TEST(ContactsImport, ABadCardIsSkippedByLineAndAnUnreadableFileStoresNothing) {
  WindowFixture f;
  f.seed({"Adams"});
  app::TRuViv& window = f.start();
  const QString good = writeFile(f.work.filePath("good.csv"), "Name,E-mail\r\nCole,c@example.org\r\n");
  const QString bad = writeFile(f.work.filePath("bad.vcf"), kTwoCards + "BEGIN:VCARD\r\nFN:Ann\r\n");
  ASSERT_TRUE(drop(window, {QUrl::fromLocalFile(good), QUrl::fromLocalFile(bad)}));
  ASSERT_EQ(f.dialogs.boxes().size(), 1u);
  EXPECT_FALSE(f.dialogs.boxes()[0].error);
  EXPECT_EQ(f.dialogs.texts()[0].toStdString(),
            "3 imported, 1 skipped: bad.vcf line 10\nbad.vcf line 10: the card that starts here has no END:VCARD; "
            "skipped");
  EXPECT_EQ(f.table().recordCount(), 4);
  EXPECT_EQ(f.dm->entryCount(), 4);

  const QString other = writeFile(f.work.filePath("other.csv"), "Name\r\nDale\r\n");
  const QString wide = writeFile(f.work.filePath("wide.csv"), QByteArray("\xFF\xFE\0\0N\0\0\0", 8));
  ASSERT_TRUE(drop(window, {QUrl::fromLocalFile(other), QUrl::fromLocalFile(wide)}));
  ASSERT_EQ(f.dialogs.boxes().size(), 2u);
  EXPECT_TRUE(f.dialogs.boxes()[1].error);
  EXPECT_TRUE(f.dialogs.texts()[1].contains("nothing was imported"));
  EXPECT_EQ(f.table().recordCount(), 4);
  EXPECT_EQ(f.dm->entryCount(), 4);
}

TEST(ContactsImport, AFileOnTheCommandLineIsImportedIntoTheWorkingFolder) {
  WindowFixture f;
  writeFile(f.work.filePath("people.csv"), "First Name,Last Name,Mobile\r\nAnn,Cole,0170 1234\r\n");
  app::TRuViv& window = f.start({"people.csv"});
  EXPECT_EQ(window.windowTitle(), "Kestrane 3.0 Cardlark");
  EXPECT_TRUE(QFile::exists(f.work.filePath("ADDRESS.DBF")));
  EXPECT_EQ(f.dialogs.texts(), QStringList{"1 imported, 0 skipped"});
  EXPECT_EQ(f.table().recordCount(), 1);
  EXPECT_EQ(f.dm->entryCount(), 1);

  // Anything else stays a data folder, even a folder named like a file.
  EXPECT_EQ(app::contactFileParameter({"people.csv"}, f.work.path()), f.work.filePath("people.csv"));
  for (const QStringList& parameters :
       {QStringList{"missing.csv"}, QStringList{"ADDRESS.DBF"}, QStringList{"people.csv", "x"}, QStringList{""}}) {
    EXPECT_EQ(app::contactFileParameter(parameters, f.work.path()), QString()) << parameters.join(',').toStdString();
  }
  QDir(f.work.path()).mkdir("folder.vcf");
  EXPECT_EQ(app::contactFileParameter({"folder.vcf"}, f.work.path()), QString());
}

}  // namespace
