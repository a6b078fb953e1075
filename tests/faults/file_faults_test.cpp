// Every write's failure is the command's failure: each writer of the
// program's files is run once to count its writes, flushes and renames,
// then again with the Nth of them failing (and, in crash mode, every later
// call failing and what was not flushed dropped). Each time the operation
// must report the failure, the table must open, pass its check and hold
// the entries as before the operation (or as after it, when it got that
// far), a replaced file must hold its old bytes (or the complete new ones
// when the rename went through), and a second try must succeed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "book/address_book.h"
#include "book/table_layout.h"
#include "exchange/card_mapping.h"
#include "exchange/code_page.h"
#include "faults/fault_injection.h"
#include "report/prepared_report.h"
#include "report/report_output.h"
#include "support/temp_folder.h"
#include "sync/sync_state.h"
#include "xbase/cursor.h"
#include "xbase/table_check.h"
#include "zip/replacement_file.h"
#include "zip/table_backup.h"

namespace fs = std::filesystem;
using faults::Call;
using faults::FaultInjection;

namespace {

constexpr int kSamplesPerKind = 16;

std::string memoOf(int i, std::size_t length) {
  std::string memo;
  for (std::size_t k = 0; k < length; ++k) memo += static_cast<char>('a' + (k * 7 + i) % 26);
  return memo;
}

std::string bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The live entries' names and memos, sorted.
std::vector<std::pair<std::string, std::string>> entriesOf(const fs::path& folder) {
  book::AddressBook book(folder / book::kTableName, book::AddressBook::Access::Shared);
  std::vector<std::pair<std::string, std::string>> entries;
  book.forEachEntry([&](std::uint32_t, const book::Entry& entry) { entries.emplace_back(entry.name, entry.memo); });
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::vector<book::Entry> importedEntries() {
  std::vector<book::Entry> entries;
  for (int i = 0; i < 4; ++i) entries.push_back({"Imported " + std::to_string(i), memoOf(i, 300u * i), "20260101"});
  return entries;
}

// The merge the fixture made, for the undo to take back.
book::MergeRecord& fixtureMerge() {
  static book::MergeRecord record;
  return record;
}

// The table with six entries (one removed since, two merged), a backup of
// it taken before the last changes, and an earlier version of each replaced
// file.
void makeFixture(const fs::path& folder) {
  book::createAddressTable(folder, true);
  {
    book::AddressBook book(folder / book::kTableName, book::AddressBook::Access::Shared);
    for (int i = 0; i < 6; ++i) book.add({"Entry " + std::to_string(i), memoOf(i, 200u * i)});
    book.remove(2);
  }
  zip::backupFiles((folder / zip::kBackupArchiveName).string(), book::filesToBackUp(folder));
  book::AddressBook(folder / book::kTableName, book::AddressBook::Access::Shared)
      .add({"Late entry", "after the backup"});
  fixtureMerge() = book::AddressBook(folder / book::kTableName, book::AddressBook::Access::Shared).merge(3, 5);
  for (const char* name : {"export.vcf", "report.clr", "ADDRESS.sync"}) std::ofstream(folder / name) << "old " << name;
}

struct Operation {
  const char* name;
  std::function<void(const fs::path& folder)> run;
  const char* replaces = nullptr;  // the file it replaces as a whole, if any
};

void PrintTo(const Operation& operation, std::ostream* out) { *out << operation.name; }

const std::vector<Operation>& operations() {
  static const std::vector<Operation> list = {
      {"PostEdited",
       [](const fs::path& folder) {
         auto cursor = xbase::Cursor::open(folder / book::kTableName, xbase::OpenMode::Shared);
         cursor->go(4);
         cursor->beginEdit();
         cursor->setValue(book::kName, "Edited entry");
         cursor->setValue(book::kInfo, memoOf(9, 2500));
         book::storeEdited(*cursor);
       }},
      {"Add",
       [](const fs::path& folder) {
         book::AddressBook(folder / book::kTableName, book::AddressBook::Access::Shared)
             .add({"Added entry", memoOf(3, 1200)});
       }},
      {"Import",
       [](const fs::path& folder) {
         const auto entries = importedEntries();
         book::AddressBook(folder / book::kTableName, book::AddressBook::Access::Shared)
             .addAll(static_cast<std::uint32_t>(entries.size()), [&](const auto& store) {
               for (const auto& entry : entries) store(entry);
             });
       }},
      {"Merge",
       [](const fs::path& folder) {
         book::AddressBook(folder / book::kTableName, book::AddressBook::Access::Shared).merge(4, 6);
       }},
      {"UndoMerge",
       [](const fs::path& folder) {
         book::AddressBook(folder / book::kTableName, book::AddressBook::Access::Shared).undoMerge(fixtureMerge());
       }},
      {"Pack",
       [](const fs::path& folder) {
         xbase::Cursor::open(folder / book::kTableName, xbase::OpenMode::Exclusive)->pack();
       }},
      {"Backup",
       [](const fs::path& folder) {
         // One fixed stamp on the table files, so that every run writes the
         // same archive bytes whatever two-second step it falls in.
         const timespec stamp[2] = {{1748772000, 0}, {1748772000, 0}};
         for (const std::string& file : book::filesToBackUp(folder)) ::utimensat(AT_FDCWD, file.c_str(), stamp, 0);
         zip::backupFiles((folder / zip::kBackupArchiveName).string(), book::filesToBackUp(folder));
       },
       zip::kBackupArchiveName},
      {"Export",  // as cardlark-db export-vcard writes its file
       [](const fs::path& folder) {
         const auto codePage = exchange::tableCodePage(folder / book::kTableName);
         std::string out;
         book::AddressBook book(folder / book::kTableName, book::AddressBook::Access::Shared);
         book.forEachEntry(
             [&](std::uint32_t, const book::Entry& entry) { exchange::appendCard(out, entry, codePage); });
         zip::ReplacementFile file((folder / "export.vcf").string());
         file.write(out);
         file.commit();
       },
       "export.vcf"},
      {"PreparedReport",
       [](const fs::path& folder) {
         report::PreparedReport prepared;
         prepared.setup = {2100, 2970, 100, 100, 100, 100, {}};
         for (int number = 1; number <= 3; ++number)
           prepared.pages.push_back({number,
                                     {{100, 100.0 * number, report::Alignment::Left, {}, memoOf(number, 80)}},
                                     {{100, 90, 2000, 90, report::PenStyle::Solid}}});
         report::writeWholeFile(QString::fromStdString((folder / "report.clr").string()),
                                report::writePreparedReport(prepared));
       },
       "report.clr"},
      {"SyncState",
       [](const fs::path& folder) {
         carddav::SyncState state;
         state.server = "https://dav.example/book/";
         state.token = "token-2";
         for (int i = 0; i < 20; ++i)
           state.links["ENTRY " + std::to_string(i)] = {QString("uid-%1").arg(i), QString("/book/%1.vcf").arg(i),
                                                        "\"e1\"", "00ff", "ff00"};
         carddav::writeState(folder / "ADDRESS.sync", state);
       },
       "ADDRESS.sync"},
  };
  return list;
}

// Up to kSamplesPerKind call numbers from 1 to count, the first and last
// among them.
std::vector<int> samples(int count) {
  std::vector<int> points;
  const int taken = std::min(count, kSamplesPerKind);
  for (int i = 0; i < taken; ++i)
    points.push_back(taken == 1 ? 1 : 1 + static_cast<int>(static_cast<long long>(i) * (count - 1) / (taken - 1)));
  points.erase(std::unique(points.begin(), points.end()), points.end());
  return points;
}

class FileFaults : public testing::TestWithParam<Operation> {
 protected:
  void SetUp() override {
    makeFixture(fixture_.path());
    before_ = entriesOf(fixture_.path());
  }

  // A fresh copy of the fixture in `folder`.
  void copyFixture(const fs::path& folder) {
    for (const auto& file : fs::directory_iterator(fixture_.path()))
      fs::copy(file.path(), folder / file.path().filename());
  }

  // The table opens, passes its check and holds `before_` or `after_`. A
  // post stopped after its record was written leaves the index behind by
  // that record, as a crash there does: a reindex must repair it.
  void expectTableSound(const fs::path& folder, const std::string& where) {
    const fs::path dbf = folder / book::kTableName;
    if (!xbase::checkTable(dbf).empty()) {
      ASSERT_NO_THROW(xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive)->reindex()) << where;
      EXPECT_EQ(xbase::checkTable(dbf), std::vector<std::string>{}) << where;
    }
    std::vector<std::pair<std::string, std::string>> now;
    ASSERT_NO_THROW(now = entriesOf(folder)) << where;
    EXPECT_TRUE(now == before_ || now == after_)
        << where << ": " << now.size() << " entries, before " << before_.size() << ", after " << after_.size();
  }

  testsupport::TempFolder fixture_;
  std::vector<std::pair<std::string, std::string>> before_, after_;
  FaultInjection injection_;
};

TEST_P(FileFaults, EveryFailedCallFailsTheOperationAndKeepsTheData) {
  const Operation& operation = GetParam();
  int counts[3] = {};
  std::string oldBytes, newBytes;
  {
    testsupport::TempFolder folder;
    copyFixture(folder.path());
    if (operation.replaces) oldBytes = bytesOf(folder / operation.replaces);
    injection_.arm(Call::Write);
    operation.run(folder.path());
    for (Call kind : {Call::Write, Call::Flush, Call::Rename}) counts[static_cast<int>(kind)] = injection_.count(kind);
    after_ = entriesOf(folder.path());
    if (operation.replaces) newBytes = bytesOf(folder / operation.replaces);
  }
  EXPECT_GT(counts[0], 0);

  const char* kindNames[] = {"write", "flush", "rename"};
  for (bool crash : {false, true}) {
    for (Call kind : {Call::Write, Call::Flush, Call::Rename}) {
      for (int n : samples(counts[static_cast<int>(kind)])) {
        std::ostringstream where;
        where << (crash ? "crash at " : "failure of ") << kindNames[static_cast<int>(kind)] << " " << n;
        testsupport::TempFolder folder;
        copyFixture(folder.path());
        const std::size_t files = folder.fileCount();
        injection_.arm(kind, n, n % 2 ? EIO : ENOSPC, crash);
        bool failed = false;
        try {
          operation.run(folder.path());
        } catch (const std::exception&) {
          failed = true;
        }
        EXPECT_TRUE(failed) << where.str() << ": the failure was swallowed";
        if (crash) injection_.dropUnflushed();
        const bool renamed = injection_.renamedBeforeFailure();
        injection_.arm(Call::Write);
        expectTableSound(folder.path(), where.str());
        if (operation.replaces) {
          const std::string bytes = bytesOf(folder / operation.replaces);
          if (renamed)
            EXPECT_TRUE(bytes == oldBytes || bytes == newBytes) << where.str();
          else
            EXPECT_TRUE(bytes == oldBytes) << where.str() << ": the old file was changed";
        }
        if (crash) continue;  // the next start clears what a crash leaves
        EXPECT_EQ(folder.fileCount(), files) << where.str() << ": a file was left behind";
        if (entriesOf(folder.path()) != before_) {  // it got as far as storing, all of it
          EXPECT_TRUE(entriesOf(folder.path()) == after_) << where.str() << ": stored in part";
          continue;
        }
        EXPECT_NO_THROW(operation.run(folder.path())) << where.str() << ": the next try fails";
        EXPECT_TRUE(entriesOf(folder.path()) == after_) << where.str();
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Writers, FileFaults, testing::ValuesIn(operations()),
                         [](const testing::TestParamInfo<Operation>& info) { return std::string(info.param.name); });

// A merge, or its undo, killed at any write: what was written stays, nothing
// is put back. Each time the entries are as before, as after, or both live
// with the kept one already holding every line of the other: no memo line
// is lost, no memo is cut short.
using KilledMerge = FileFaults;

TEST_P(KilledMerge, LeavesEitherBothEntriesOrTheMergedOneAndLosesNoLine) {
  const Operation& operation = GetParam();
  int writes = 0;
  {
    testsupport::TempFolder folder;
    copyFixture(folder.path());
    injection_.arm(Call::Write);
    operation.run(folder.path());
    writes = injection_.count(Call::Write);
    after_ = entriesOf(folder.path());
  }
  // Both live: the fewer entries, and the one the other state has besides.
  auto bothLive = before_.size() < after_.size() ? before_ : after_;
  for (const auto& entry : before_.size() < after_.size() ? after_ : before_)
    if (std::none_of(bothLive.begin(), bothLive.end(), [&](const auto& e) { return e.first == entry.first; }))
      bothLive.push_back(entry);
  std::sort(bothLive.begin(), bothLive.end());
  int seen[3] = {};
  for (int n = 1; n <= writes; ++n) {
    testsupport::TempFolder folder;
    copyFixture(folder.path());
    injection_.arm(Call::Write, n, EIO, true);
    EXPECT_ANY_THROW(operation.run(folder.path())) << "killed at write " << n;
    injection_.arm(Call::Write);
    const auto now = entriesOf(folder.path());
    const int state = now == before_ ? 0 : now == after_ ? 1 : now == bothLive ? 2 : -1;
    ASSERT_NE(state, -1) << "killed at write " << n << ": " << now.size() << " entries";
    ++seen[state];
  }
  EXPECT_GT(seen[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Merges, KilledMerge,
                         testing::ValuesIn(std::vector<Operation>{operations()[3], operations()[4]}),
                         [](const testing::TestParamInfo<Operation>& info) { return std::string(info.param.name); });

}  // namespace
