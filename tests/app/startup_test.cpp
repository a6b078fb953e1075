// Start-up from each kind of command line, and the captions it sets.

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include "app/startup.h"
#include "support/ordinary_user.h"
#include "window_fixture.h"
#include "xbase/cursor.h"

namespace {

using app_testing::WindowFixture;

bool hasTableFiles(const QString& folder) {
  for (const char* name : {"ADDRESS.DBF", "ADDRESS.fpt", "ADDRESS.CDX"})
    if (!QFileInfo::exists(folder + "/" + name)) return false;
  return true;
}

TEST(StartupCaption, FollowsTheParameter) {
  struct Case {
    QStringList parameters;
    QString caption;
  };
  const Case cases[] = {
      {{}, "Kestrane 3.0 Cardlark"},
      {{"WORK"}, "Kestrane 3.0 - Work"},
      {{"work"}, "Kestrane 3.0 - Work"},
      {{"a", "b"}, "Kestrane 3.0 Cardlark"},
      {{QString::fromUtf8("äRGER")}, QString::fromUtf8("Kestrane 3.0 - Ärger")},
      {{QString::fromUtf8("ÉCOLE")}, QString::fromUtf8("Kestrane 3.0 - École")},
      {{QString::fromUtf8("ßAB")}, QString::fromUtf8("Kestrane 3.0 - SSab")},
      {{""}, "Kestrane 3.0 - "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::startupCaption(c.parameters), c.caption) << c.parameters.join(',').toStdString();
}

TEST(StartupCaption, KeepsTheFirstHundredCharacters) {
  const QString parameter = "x" + QString(149, QChar('Y'));
  EXPECT_EQ(app::startupCaption({parameter}), "Kestrane 3.0 - X" + QString(99, QChar('y')));
  // Characters outside the basic plane count as one each.
  const QString wide = QString::fromUtf8("\xF0\x90\x90\x80") + QString(120, QChar('A'));  // Deseret capital long I
  const QString caption = app::startupCaption({wide});
  EXPECT_EQ(caption, "Kestrane 3.0 - " + QString::fromUtf8("\xF0\x90\x90\x80") + QString(99, QChar('a')));
}

TEST(Startup, NoParameterCreatesTheTableInTheWorkingFolder) {
  WindowFixture f;
  app::TRuViv& window = f.start();
  EXPECT_TRUE(hasTableFiles(f.work.path()));
  EXPECT_EQ(window.windowTitle(), "Kestrane 3.0 Cardlark");
  EXPECT_TRUE(f.dialogs.boxes().empty());
  EXPECT_FALSE(window.firstShow());
  EXPECT_TRUE(f.table().isActive());
  EXPECT_FALSE(f.table().exclusive());
  EXPECT_EQ(f.table().indexName().toUpper(), "ADDRESS");
  EXPECT_FALSE(f.dm->tblFilter.isActive());
  EXPECT_EQ(f.dm->entryCount(), 0);
  EXPECT_TRUE(window.ZurGrid->visibleTexts().isEmpty());
}

TEST(Startup, NewFolderIsCreatedWithAMessage) {
  WindowFixture f;
  app::TRuViv& window = f.start({"WORK"});
  const QString folder = f.work.path() + "/WORK";
  EXPECT_TRUE(hasTableFiles(folder));
  ASSERT_EQ(f.dialogs.boxes().size(), 1u);
  EXPECT_EQ(f.dialogs.boxes()[0].title, "Information");
  EXPECT_EQ(f.dialogs.boxes()[0].text, "New directory " + f.work.path() + "/WORK\n successfully created!");
  EXPECT_EQ(window.windowTitle(), "Kestrane 3.0 - Work");
  EXPECT_TRUE(window.isVisible());
}

TEST(Startup, DataFolderPathNeverHoldsADoubledSlash) {
  EXPECT_EQ(app::dataFolderPath("/", "work"), "/work");
  EXPECT_EQ(app::dataFolderPath("/home/u/", "a\\\\b"), "/home/u/a/b");
  EXPECT_EQ(app::dataFolderPath("/home/u", "work"), "/home/u/work");
}

TEST(Startup, NonAsciiFolderNameWorks) {
  WindowFixture f;
  const QString name = QString::fromUtf8("Bücher Ærø");
  app::TRuViv& window = f.start({name});
  EXPECT_TRUE(hasTableFiles(f.work.path() + "/" + name));
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Kestrane 3.0 - Bücher ærø"));
  EXPECT_TRUE(f.table().isActive());
}

TEST(Startup, ExistingFolderOpensItsTableWithoutMessage) {
  WindowFixture f;
  ASSERT_TRUE(QDir(f.work.path()).mkdir("data"));
  f.start({"data"});
  EXPECT_TRUE(f.dialogs.boxes().empty());
  EXPECT_TRUE(hasTableFiles(f.work.path() + "/data"));
}

TEST(Startup, FailuresShowTheirMessageAndEndTheProgram) {
  struct Case {
    QStringList parameters;
    QString title;
    QString text;  // with %1 for an absolute folder
  };
  testsupport::TempDataFolder elsewhere;
  const Case cases[] = {
      {{"one", "two"}, "Kestrane Cardlark", app::tooManyParametersMessage()},
      {{"a\\b"}, "Warning", "Cannot create directory a\\b"},
      {{elsewhere.path()}, "Warning", "Cannot create directory " + elsewhere.path()},
      // One level below the root: it could be made below the working folder.
      {{"/cardlark-absolute"}, "Warning", "Cannot create directory /cardlark-absolute"},
      {{"\\cardlark-absolute"}, "Warning", "Cannot create directory \\cardlark-absolute"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters.join(' ').toStdString());
    WindowFixture f;
    app::TRuViv& window = f.start(c.parameters);
    ASSERT_EQ(f.dialogs.boxes().size(), 1u);
    EXPECT_EQ(f.dialogs.boxes()[0].title, c.title);
    EXPECT_EQ(f.dialogs.boxes()[0].text, c.text);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(f.table().isActive());
    EXPECT_TRUE(QDir(f.work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
  }
  EXPECT_TRUE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(Startup, TooManyParametersPointsToTheHelpPage) {
  EXPECT_EQ(app::tooManyParametersMessage(),
            "Error:  Too many parameters on command line (only 1 allowed)\nPlease refer to online help at "
            "https://www.kestrane.com/help/kestrane/Davuzud.htm");
}

TEST(Startup, TableWithoutIndexGetsItsTagPackedAndSorted) {
  WindowFixture f;
  f.work.createAddressTable(false);
  for (const char* name : {"Zed", "adam", "Gone", "Mike", "Bob"}) f.work.appendEntry(name);
  {
    auto cursor = xbase::Cursor::open(f.work.filePath("ADDRESS.DBF").toStdString(), xbase::OpenMode::Shared);
    cursor->go(3);
    cursor->deleteRecord();
  }
  app::TRuViv& window = f.start();
  EXPECT_TRUE(QFileInfo::exists(f.work.filePath("ADDRESS.CDX")));
  // Packed: the deleted entry has left the file.
  EXPECT_EQ(xbase::tableInfo(f.work.filePath("ADDRESS.DBF").toStdString()).recordCount, 4u);
  EXPECT_EQ(window.ZurGrid->visibleTexts(), QStringList({"adam", "Bob", "Mike", "Zed"}));
  EXPECT_EQ(f.currentName(), "adam");
  EXPECT_EQ(f.dm->entryCount(), 4);
  EXPECT_FALSE(f.table().exclusive());
}

// Leftovers are moved aside, never deleted, whatever the spelling of their
// names and however many earlier leftovers lie there already.
TEST(Startup, LeftoverIndexAndMemoFilesAreMovedAside) {
  WindowFixture f;
  const auto write = [&](const QString& name, const QByteArray& bytes) {
    QFile file(f.work.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  };
  write("ADDRESS.CDX", "old index");
  write("address.FPT", "old memos");
  write("address.FPT.orphaned", "earlier memos");
  f.start();
  EXPECT_TRUE(f.dialogs.boxes().empty());
  EXPECT_TRUE(f.table().isActive());
  EXPECT_EQ(f.dm->entryCount(), 0);
  EXPECT_GT(QFileInfo(f.work.filePath("ADDRESS.CDX")).size(), 0);
  const auto read = [&](const QString& name) {
    QFile file(f.work.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
  };
  EXPECT_EQ(read("ADDRESS.CDX.orphaned"), "old index");
  EXPECT_EQ(read("address.FPT.orphaned"), "earlier memos");
  EXPECT_EQ(read("address.FPT.orphaned.1"), "old memos");
  EXPECT_FALSE(QFileInfo::exists(f.work.filePath("address.FPT")));
}

// A folder the program cannot write: the message says that creating the
// table there failed and why, and the program ends.
TEST(Startup, TableThatCannotBeCreatedEndsTheProgram) {
  WindowFixture f;
  const QFile::Permissions readAndEnter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::ExeOther;
  ASSERT_TRUE(QDir(f.work.path()).mkdir("locked"));
  QFile::setPermissions(f.work.path(), readAndEnter | QFile::WriteOwner);
  QFile::setPermissions(f.work.filePath("locked"), readAndEnter);
  const QString expected = "Cannot create the address table in " + f.work.filePath("locked") + ": Permission denied";
  EXPECT_EQ(testsupport::asOrdinaryUser([&] {
              app::TRuViv& window = f.start({"locked"});
              const auto& boxes = f.dialogs.boxes();
              return (boxes.size() == 1 && boxes[0].text == expected ? 0 : 1) + (window.isVisible() ? 2 : 0) +
                     (f.table().isActive() ? 4 : 0);
            }),
            0);
  QFile::setPermissions(f.work.filePath("locked"), readAndEnter | QFile::WriteOwner);
  EXPECT_TRUE(QDir(f.work.filePath("locked")).isEmpty());
}

TEST(Startup, RunsOnlyOnTheFirstShowing) {
  WindowFixture f;
  app::TRuViv& window = f.start({"first"});
  window.hide();
  f.dialogs.clear();
  window.show();
  EXPECT_TRUE(f.dialogs.boxes().empty());
  EXPECT_EQ(window.windowTitle(), "Kestrane 3.0 - First");
}

}  // namespace
