// The Report Writer command end to end on a real table: the record choices,
// the preview window, and the files saved from it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "fake_desktop_shell.h"
#include "platform/clock.h"
#include "report/address_report.h"
#include "report/rec_range.h"
#include "report/report_form.h"
#include "report/report_output.h"
#include "report/report_preview.h"
#include "report/report_writer_command.h"
#include "store/address_fixture.h"
#include "tools/tool_runner.h"

namespace report {
namespace {

using store::Bookmark;

// Records 1 to 8 in this natural order.
const QStringList kNames = {"Walker", "Adams", "Baker", "baker", "Cole", "Dunn", "Zed", "Q \"Quote\""};

class ReportWriterTest : public AddressTableTest {
 protected:
  void SetUp() override {
    AddressTableTest::SetUp();
    for (const QString& name : kNames) folder.appendEntry(name, "memo of " + name);
    openModule();
  }

  // Runs the command with `choice` confirmed in the dialog; `onPreview`
  // sees the open preview (all pages laid out) before it is closed.
  void runCommand(const std::function<void(ReportPreview&)>& onPreview = {}) {
    QTimer::singleShot(0, [&] {
      if (ReportPreview* preview = openReportPreview()) {
        previewShown = true;
        preview->finishProducing();
        reported.clear();
        for (const Page& page : preview->pages())
          for (const TextRun& run : page.texts)
            if (run.font == FontStyle::Bold) reported << store::fromAnsi(run.text, preview->pageSetup().codePage);
        if (onPreview) onPreview(*preview);
        preview->close();
      }
    });
    command.buttonRWClick();
    QCoreApplication::processEvents();
  }

  void goTo(const QString& name) { ASSERT_TRUE(dm.tblAddress.seekExact(store::upperAscii(name))); }

  QList<Bookmark> marks;
  int dialogsShown = 0;
  RecordChoice nextChoice = RecordChoice::All;
  ReportWriterCommand command{dm,
                              {[this] { return marks; },
                               [] { return QStringLiteral("Kestrane 3.0 Cardlark"); },
                               [this](TRecRange& dialog) {
                                 ++dialogsShown;
                                 dialog.RangeItems[static_cast<std::size_t>(nextChoice)]->setChecked(true);
                                 dialog.BitBtn1Click();
                                 return dialog.result();
                               },
                               {}},
                              nullptr};
  bool previewShown = false;
  QStringList reported;
};

TEST_F(ReportWriterTest, RecordChoicesReportTheirEntriesAndRestoreTheCursor) {
  const struct {
    RecordChoice choice;
    QString current;
    QList<std::uint32_t> marked;
    QString filter;  // of tblClone; "-" for All
    QStringList names;
    QString message;
  } cases[] = {
      {RecordChoice::Current, "Cole", {}, R"(upper(Name)="COLE")", {"Cole"}, {}},
      {RecordChoice::Current, "Baker", {}, R"(upper(Name)="BAKER")", {"Baker", "baker"}, {}},
      {RecordChoice::Current, "Q \"Quote\"", {}, R"(upper(Name)='Q "QUOTE"')", {"Q \"Quote\""}, {}},
      {RecordChoice::Range,
       "Zed",
       {1, 2},
       R"(upper(Name) >= "ADAMS" AND upper(Name) <= "WALKER")",
       {"Adams", "Baker", "baker", "Cole", "Dunn", "Q \"Quote\"", "Walker"},
       {}},
      {RecordChoice::Range,
       "Zed",
       {2, 1},
       R"(upper(Name) >= "ADAMS" AND upper(Name) <= "WALKER")",
       {"Adams", "Baker", "baker", "Cole", "Dunn", "Q \"Quote\"", "Walker"},
       {}},
      {RecordChoice::Range, "Zed", {2}, {}, {}, kNoRangeMessage},
      {RecordChoice::Range, "Zed", {1, 2, 3}, {}, {}, kNoRangeMessage},
      {RecordChoice::Selected,
       "Adams",
       {6, 3, 5},
       R"(Name="Dunn" OR Name="Baker" OR Name="Cole")",
       {"Baker", "Cole", "Dunn"},
       {}},
      {RecordChoice::Selected, "Adams", {}, {}, {}, kNoSelectionMessage},
      {RecordChoice::All,
       "Dunn",
       {},
       "-",
       {"Adams", "Baker", "baker", "Cole", "Dunn", "Q \"Quote\"", "Walker", "Zed"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.current + " " + QString::number(static_cast<int>(c.choice))).toStdString());
    dialogs.clear();
    previewShown = false;
    reported.clear();
    marks.clear();
    for (const std::uint32_t recno : c.marked) marks.push_back(Bookmark{recno});
    nextChoice = c.choice;
    goTo(c.current);
    runCommand();
    EXPECT_EQ(reported, c.names);
    EXPECT_EQ(previewShown, c.message.isEmpty());
    EXPECT_EQ(dialogs.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
    if (c.filter != "-" && !c.filter.isEmpty()) {
      EXPECT_EQ(dm.tblClone.filterText(), c.filter);
    }
    EXPECT_EQ(dm.tblAddress.text("Name"), c.current);
  }
}

TEST_F(ReportWriterTest, DeletedMarkedRowsAreSkippedAndEmptyChoicesSayNoRecords) {
  goTo("Zed");
  dm.tblAddress.deleteRecord();
  goTo("Adams");
  marks = {Bookmark{7}, Bookmark{6}};
  nextChoice = RecordChoice::Selected;
  runCommand();
  EXPECT_EQ(reported, QStringList{"Dunn"});
  EXPECT_TRUE(dialogs.texts().isEmpty());

  // The same deleted row as one end of a range leaves no range.
  nextChoice = RecordChoice::Range;
  runCommand();
  EXPECT_EQ(dialogs.texts(), QStringList{kNoRangeMessage});

  // An empty table: "No records!", then a preview without pages, whose
  // Print says there is nothing to print.
  dialogs.clear();
  for (dm.tblAddress.first(); !dm.tblAddress.isEmpty();) dm.tblAddress.deleteRecord();
  nextChoice = RecordChoice::Current;
  int pages = -1;
  runCommand([&](ReportPreview& preview) {
    pages = preview.pageCount();
    preview.print();
  });
  EXPECT_EQ(dialogs.texts(), (QStringList{kNoRecordsMessage, kNothingToPrintMessage}));
  EXPECT_EQ(pages, 0);
}

TEST_F(ReportWriterTest, PreviewIsNotModalAndRefusesASecondCommand) {
  QStringList hints;
  QString status;
  runCommand([&](ReportPreview& preview) {
    EXPECT_EQ(preview.windowTitle(), kReportTitle);
    EXPECT_TRUE(preview.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QAction* action : preview.toolActions()) hints << action->toolTip();
    EXPECT_EQ(preview.closeButton()->text(), "&Close");
    status = preview.statusText();
    command.buttonRWClick();  // a second command while the preview is open
    EXPECT_EQ(openReportPreview(), &preview);
  });
  EXPECT_EQ(hints, (QStringList{"Zoom to fit", "Zoom to 100%", "Zoom to page width", "First Page", "Previous page",
                                "Next page", "Last page", "Printer setup", "Print", "Save", "Load"}));
  EXPECT_EQ(status, "Page 1 of 1");
  EXPECT_EQ(dialogsShown, 1);
  EXPECT_EQ(dialogs.texts(), QStringList{kPreviewOpenMessage});
}

TEST_F(ReportWriterTest, PageWidthZoomFitsWhenShownAndOnEveryResize) {
  QList<int> spare;  // the view's width less the page's, at each size
  int actualWidth = 0;
  runCommand([&](ReportPreview& preview) {
    auto* scroll = preview.findChild<QScrollArea*>();
    const auto measure = [&] {
      QCoreApplication::processEvents();  // the scroll bars follow the page's new size
      spare << scroll->viewport()->width() - scroll->widget()->width();
      EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    };
    measure();  // maximized when shown
    preview.showNormal();
    for (const QSize size : {QSize(500, 400), QSize(1100, 700)}) {
      preview.resize(size);
      QCoreApplication::processEvents();
      measure();
    }
    // 100% keeps its size whatever the window's.
    preview.setZoom(ReportPreview::Zoom::Actual);
    actualWidth = scroll->widget()->width();
    preview.resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(scroll->widget()->width(), actualWidth);
  });
  ASSERT_EQ(spare.size(), 3);
  for (const int s : spare) {
    EXPECT_GE(s, 0);
    EXPECT_LE(s, 1);
  }
}

TEST(ReportPreviewFiles, TypedNamesWithoutExtensionGetTheKindsOwn) {
  using Kind = ReportPreview::FileKind;
  const struct {
    QString typed;
    Kind kind;
    QString path;
  } cases[] = {
      {"/r.d/list", Kind::Text, "/r.d/list.txt"},
      {"/r.d/list", Kind::PreparedReport, "/r.d/list.clr"},
      {"/r/list", Kind::Pdf, "/r/list.pdf"},
      {"/r/list.TXT", Kind::Text, "/r/list.TXT"},
      {"/r/list.v2", Kind::PreparedReport, "/r/list.v2"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReportPreview::pathWithExtension(c.typed, c.kind), c.path);
}

TEST_F(ReportWriterTest, DialogOpensWithAllAndMemoAndLinksToHelp) {
  testsupport::FakeDesktopShell shell;
  TRecRange dialog;
  EXPECT_TRUE(dialog.RangeItems[3]->isChecked());
  EXPECT_TRUE(dialog.CheckBox1->isChecked());
  EXPECT_FALSE(dialog.CheckText->isChecked());
  EXPECT_EQ(dialog.Memo1->toPlainText().split('\n').size(), 20);
  dialog.HomeLabelClick();
  ASSERT_EQ(shell.requests().size(), 1u);
  EXPECT_TRUE(shell.requests()[0].target.endsWith("/kestrane/reviews.html"));
  EXPECT_EQ(shell.requests()[0].showState, platform::ShowState::Maximized);
}

std::string readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

TEST_F(ReportWriterTest, SavedFilesMatchTheCommandLineAndLoadBack) {
  platform::Clock::setToday(QDate());  // the command line runs on the system's date
  testsupport::FixedClock realToday(platform::Clock::today());
  const QString text = folder.filePath("window.txt");
  const QString pdf = folder.filePath("window.pdf");
  const QString prepared = folder.filePath("window.clr");
  const QString damaged = folder.filePath("damaged.clr");
  bool refused = false;
  bool loaded = false;
  runCommand([&](ReportPreview& preview) {
    preview.saveTo(text, ReportPreview::FileKind::Text);
    preview.saveTo(pdf, ReportPreview::FileKind::Pdf);
    preview.saveTo(prepared, ReportPreview::FileKind::PreparedReport);
    EXPECT_THROW(preview.saveTo(folder.filePath("missing/x.txt"), ReportPreview::FileKind::Text), ReportOutputError);
    QFile cut(damaged);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    const std::string whole = readAll(prepared);
    cut.write(whole.data(), static_cast<qint64>(whole.size() / 2));
    cut.close();
    refused = !preview.loadFrom(damaged);
    loaded = preview.loadFrom(prepared) && preview.pageCount() == 1;
  });
  EXPECT_TRUE(refused);
  EXPECT_TRUE(loaded);
  ASSERT_EQ(dialogs.boxes().size(), 1u);
  EXPECT_TRUE(dialogs.boxes()[0].error);
  EXPECT_TRUE(dialogs.texts()[0].contains("not a prepared report")) << dialogs.texts()[0].toStdString();

  const std::string tool = folder.filePath("tool.txt").toStdString();
  const auto run = cardlark::test::cardlarkDb({"report", folder.path().toStdString(), "--text", tool});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(readAll(text), readAll(QString::fromStdString(tool)));

  const std::string png = folder.filePath("page").toStdString();
  EXPECT_EQ(cardlark::test::run("pdftoppm", {"-r", "40", "-png", pdf.toStdString(), png}).status, 0);
  EXPECT_GT(QFile(QString::fromStdString(png) + "-1.png").size(), 1000);
  const auto words = cardlark::test::run("pdftotext", {pdf.toStdString(), "-"});
  for (const char* expected : {"Adams", "Walker", "Q \"Quote\"", "Date Run:", "Produced by Kestrane Cardlark"})
    EXPECT_NE(words.out.find(expected), std::string::npos) << expected;
}

// A table in Windows-1250: the current entry is found by its name, and both
// the preview's PDF and the command line's show the table's characters.
class ReportWriterCentralEuropeanTest : public ReportWriterTest {
 protected:
  void SetUp() override {
    folder.createAddressTable(true, codepage::CodePage::fromNumber(1250)->mark());
    folder.appendEntry(kName, kMemo);
    openModule();
  }
  const QString kName = QString::fromUtf8("\u0141\u00f3d\u017a, Ola");
  const QString kMemo = QString::fromUtf8("Wi\u0119cej: \u0151");
};

// A write that fails names the file and the system's reason; a device is
// written, not replaced by a regular file. The full device is copied into a
// temporary folder where that is allowed (as root), so that a regression
// never replaces the system's own.
TEST(ReportOutput, AFullDiskSaysSo) {
  QTemporaryDir folder;
  QString full = folder.filePath(QStringLiteral("full"));
  if (::mknod(full.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 7)) != 0) full = QStringLiteral("/dev/full");
  if (!QFileInfo(full).exists()) GTEST_SKIP() << "no full device";
  const PageSetup setup{2159, 2794, 254, 127, 127, 127, {}};
  const Page page{1, {{10, 20, Alignment::Left, FontStyle::Regular, std::string(100'000, 'x')}}, {}};
  const std::function<void()> writers[] = {
      [&] {
        writeTextFile(full, setup, [p = std::optional(page)]() mutable { return std::exchange(p, std::nullopt); });
      },
      [&] { writeWholeFile(full, std::string(100'000, 'x')); },
  };
  for (const auto& write : writers) {
    try {
      write();
      ADD_FAILURE() << "written";
    } catch (const ReportOutputError& e) {
      EXPECT_EQ(e.what(), "Cannot write " + full.toStdString() + ": " + std::strerror(ENOSPC));
    }
  }
  EXPECT_FALSE(QFileInfo(full).isFile());
}

TEST_F(ReportWriterCentralEuropeanTest, TextsAreReadInTheTablesCodePage) {
  goTo(kName);
  nextChoice = RecordChoice::Current;
  const QString pdf = folder.filePath("window.pdf");
  runCommand([&](ReportPreview& preview) { preview.saveTo(pdf, ReportPreview::FileKind::Pdf); });
  EXPECT_EQ(reported, QStringList{kName});
  const std::string tool = folder.filePath("tool.pdf").toStdString();
  ASSERT_EQ(cardlark::test::cardlarkDb({"report", folder.path().toStdString(), "--pdf", tool}).status, 0);
  for (const std::string& file : {pdf.toStdString(), tool}) {
    const std::string words = cardlark::test::run("pdftotext", {file, "-"}).out;
    for (const QString& expected : {kName, kMemo})
      EXPECT_NE(words.find(expected.toStdString()), std::string::npos) << file << ":\n" << words;
  }
}

}  // namespace
}  // namespace report
