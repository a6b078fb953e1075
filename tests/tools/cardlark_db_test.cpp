// cardlark-db as scripts use it: the exact output formats, the exit
// statuses, and the table after each command.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tool_runner.h"
#include "xbase/cursor.h"

namespace cardlark::test {
namespace {

namespace fs = std::filesystem;

// A table made by `cardlark-db create` in a temporary folder.
class Table {
 public:
  Table() { expectOk(cardlarkDb({"create", dir()})); }

  std::string dir() const { return temp_.path().string(); }
  fs::path file(const std::string& name) const { return temp_ / name; }

  void import(const std::string& lines) {
    writeFile(temp_ / "import.txt", lines);
    expectOk(cardlarkDb({"import", dir(), (temp_ / "import.txt").string()}));
  }

  RunResult db(const std::string& command, std::vector<std::string> more = {}) const {
    more.insert(more.begin(), {command, dir()});
    return cardlarkDb(more);
  }

  std::string dump(std::vector<std::string> options = {}) const {
    const RunResult r = db("dump", options);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }

  static void expectOk(const RunResult& r) { ASSERT_EQ(r.status, 0) << r.err; }

 private:
  TempDir temp_;
};

std::string dumpLine(int recno, bool deleted, const std::string& name, const std::string& date,
                     const std::string& memo) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", crc32Of(memo));
  return std::to_string(recno) + "\t" + (deleted ? "*" : "-") + "\t" + name + "\t" + date + "\t" +
         std::to_string(memo.size()) + "\t" + crc + "\n";
}

// --- the foreign tables: dumped byte for byte as their README gives them

class ForeignFixture : public testing::TestWithParam<const char*> {};

TEST_P(ForeignFixture, DumpsEqualTheRecordedDumps) {
  const fs::path source = fs::path(CARDLARK_FIXTURES_DIR) / "xbase" / GetParam();
  TempDir dir;
  copyFiles(source, dir.path());
  const std::string folder = dir.path().string();

  const RunResult natural = cardlarkDb({"dump", folder, "--deleted"});
  ASSERT_EQ(natural.status, 0) << natural.err;
  EXPECT_TRUE(natural.out == readFile(source / "natural.dump")) << "natural order differs";

  const RunResult byName = cardlarkDb({"dump", folder, "--order", "Address", "--deleted"});
  ASSERT_EQ(byName.status, 0) << byName.err;
  EXPECT_TRUE(byName.out == readFile(source / "address-order.dump")) << "address order differs";

  const RunResult check = cardlarkDb({"check", folder});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_EQ(check.out, "ok\n");
}

INSTANTIATE_TEST_SUITE_P(CardlarkDb, ForeignFixture, testing::Values("foreign-300", "foreign-1000"));

// --- import and dump

TEST(CardlarkDb, ImportThenDumpKeepsEveryByte) {
  Table t;
  // Escapes in the memo, bytes 0x80-0xFF everywhere, an empty memo and
  // date, a name of exactly 30 bytes, a CR LF line end.
  t.import(
      "Smith, John\tPhone: 555 1234\\r\\nMail: js@example.com\t20260315\n"
      "M\xFC\xDFig, J\xF6rg\tTab\\there, backslash \\\\ and \xE4\xF6\xFC\t\n"
      "\t\t\n"
      "123456789012345678901234567890\tline\\nbreak\t19991231\r\n"
      "Zed\n");
  const std::string expected =
      dumpLine(1, false, "Smith, John", "20260315", "Phone: 555 1234\r\nMail: js@example.com") +
      dumpLine(2, false, "M\xFC\xDFig, J\xF6rg", "", "Tab\there, backslash \\ and \xE4\xF6\xFC") +
      dumpLine(3, false, "", "", "") + dumpLine(4, false, "123456789012345678901234567890", "19991231", "line\nbreak") +
      dumpLine(5, false, "Zed", "", "");
  EXPECT_EQ(t.dump(), expected);
  // By upper-cased name, bytes unsigned: blank, digits, "M\xFC...", SMITH, ZED.
  const std::string byName = t.dump({"--order", "address"});
  std::vector<std::string> order;
  for (std::size_t at = 0; at < byName.size(); at = byName.find('\n', at) + 1)
    order.push_back(byName.substr(at, byName.find('\t', at) - at));
  EXPECT_EQ(order, (std::vector<std::string>{"3", "4", "2", "1", "5"}));
  EXPECT_EQ(t.db("check").out, "ok\n");
}

TEST(CardlarkDb, ImportChecksTheWholeFileBeforeAppending) {
  struct Bad {
    const char* line;
    const char* says;
  };
  const Bad cases[] = {
      {"Ann\tmemo\t2026031", "is not YYYYMMDD"},         {"Ann\tmemo\t20260230", "does not exist"},
      {"Ann\tbad \\q escape\t", "unknown escape \\q"},   {"Ann\tends in \\", "lone backslash"},
      {"Ann\tmemo\t20260101\textra", "more than three"}, {"1234567890123456789012345678901\t\t", "31 bytes"},
  };
  Table t;
  for (const Bad& bad : cases) {
    writeFile(t.file("bad.txt"), std::string("Good\t\t\nGood too\t\t\n") + bad.line + "\n");
    const RunResult r = t.db("import", {t.file("bad.txt").string()});
    EXPECT_EQ(r.status, 2) << bad.line;
    EXPECT_NE(r.err.find("line 3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(bad.says), std::string::npos) << r.err;
  }
  EXPECT_EQ(t.dump(), "");  // nothing of the good lines either
}

TEST(CardlarkDb, AnImportThatFailsMidwayStoresNothing) {
  // The disk fills up (a file size limit stands in for it) after the first
  // entries of the import were stored, whether or not someone else has the
  // table open (then the import shares it); a CSV import that skips a bad
  // row stores nothing of the others either.
  for (const bool othersHaveItOpen : {false, true}) {
    for (const std::string command : {"import", "import-csv"}) {
      SCOPED_TRACE(command);
      Table t;
      t.import("Adams\tfirst\t\nQuixote\t\t\n");
      const std::string before[] = {readFile(t.file("ADDRESS.DBF")), readFile(t.file("ADDRESS.fpt")),
                                    readFile(t.file("ADDRESS.CDX"))};
      std::string lines = command == "import" ? "" : "Name,Notes\n,no name\n";
      for (int i = 0; i < 5; ++i)
        lines += "Entry " + std::to_string(i) + (command == "import" ? "\t" : ",") + std::string(1000, 'm') +
                 (command == "import" ? "\t\n" : "\n");
      writeFile(t.file("more.txt"), lines);
      auto other = othersHaveItOpen ? xbase::Cursor::open(t.file("ADDRESS.DBF"), xbase::OpenMode::Shared) : nullptr;

      rlimit old{};
      getrlimit(RLIMIT_FSIZE, &old);
      rlimit limited = old;
      limited.rlim_cur = before[1].size() + 2500;
      std::signal(SIGXFSZ, SIG_IGN);
      setrlimit(RLIMIT_FSIZE, &limited);
      const RunResult r = t.db(command, {t.file("more.txt").string()});
      setrlimit(RLIMIT_FSIZE, &old);
      std::signal(SIGXFSZ, SIG_DFL);

      EXPECT_EQ(r.status, 2) << othersHaveItOpen;
      if (command == "import") {
        EXPECT_NE(r.err.find("nothing was imported"), std::string::npos) << r.err;
      }
      EXPECT_EQ(readFile(t.file("ADDRESS.DBF")), before[0]) << othersHaveItOpen;
      EXPECT_EQ(readFile(t.file("ADDRESS.fpt")), before[1]) << othersHaveItOpen;
      EXPECT_EQ(readFile(t.file("ADDRESS.CDX")), before[2]) << othersHaveItOpen;
    }
  }
}

// --- seek and count

TEST(CardlarkDb, SeekExactAndSoft) {
  Table t;
  t.import("Miller\t\t\nsmith, ann\t\t\nSmith, Bob\t\t\nAdams\t\t\n");
  const auto seek = [&](std::vector<std::string> args) { return t.db("seek", std::move(args)); };

  RunResult r = seek({"SMITH, BOB"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "3\n");
  EXPECT_EQ(seek({"smith, ann"}).out, "2\n");  // the key is upper-cased like the tag's keys

  r = seek({"SMYTH"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "not found\n");

  EXPECT_EQ(seek({"N", "--soft"}).out, "2\n");  // nearest: the first key not below
  EXPECT_EQ(seek({"B", "--soft"}).out, "1\n");
  r = seek({"ZZ", "--soft"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "not found\n");
}

TEST(CardlarkDb, CountRespectsTheFilter) {
  Table t;
  t.import("Smith\t\t\nOsmium Ltd\t\t\nJones\tmemo mentions Smith\t\nBaker\t\t\nbaker\t\t\nWalker\t\t\nWalkers\t\t\n");
  const auto count = [&](const std::string& filter) {
    const RunResult r = filter.empty() ? t.db("count") : t.db("count", {"--filter", filter});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  EXPECT_EQ(count(""), "7\n");
  EXPECT_EQ(count("\"SMI\"$upper(Name)"), "2\n");
  EXPECT_EQ(count("upper(Name) >= \"BAKER\" AND upper(Name) <= \"SMITH\""), "5\n");
  EXPECT_EQ(count("Name=\"Baker\" OR Name=\"Walker\""), "2\n");  // exact: not baker, not Walkers

  const RunResult bad = t.db("count", {"--filter", "upper(Name"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("at position 11: expected"), std::string::npos) << bad.err;
}

// --- delete and pack

TEST(CardlarkDb, DeleteHidesAndPackRemoves) {
  Table t;
  t.import("Ann\tfirst memo\t20260101\nBob\t\t\nCid\tthird memo, a longer one to span blocks " + std::string(200, 'x') +
           "\t\nDee\tfourth\t20260404\n");
  Table::expectOk(t.db("delete", {"2", "3"}));
  EXPECT_EQ(t.db("count").out, "2\n");
  EXPECT_EQ(t.dump(),
            dumpLine(1, false, "Ann", "20260101", "first memo") + dumpLine(4, false, "Dee", "20260404", "fourth"));
  EXPECT_NE(t.dump({"--deleted"}).find("3\t*\tCid"), std::string::npos);

  const RunResult bad = t.db("delete", {"1", "9"});  // checked before anything is deleted
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(t.db("count").out, "2\n");

  const std::uintmax_t memoBefore = fs::file_size(t.file("ADDRESS.fpt"));
  Table::expectOk(t.db("pack"));
  EXPECT_EQ(t.dump({"--deleted"}),
            dumpLine(1, false, "Ann", "20260101", "first memo") + dumpLine(2, false, "Dee", "20260404", "fourth"));
  EXPECT_LT(fs::file_size(t.file("ADDRESS.fpt")), memoBefore);
  EXPECT_EQ(t.db("seek", {"DEE"}).out, "2\n");
  EXPECT_EQ(t.db("check").out, "ok\n");
}

TEST(CardlarkDb, SharesTheTableWithAProgramThatHasItOpen) {
  Table t;
  t.import("Ann\t\t\n");
  auto open = xbase::Cursor::open(t.file("ADDRESS.DBF"), xbase::OpenMode::Shared);
  t.import("Bob\t\t\nCid\t\t\n");  // falls back to a shared open
  EXPECT_EQ(open->count(), 3u);    // seen at once by the other user

  const RunResult pack = t.db("pack");  // needs the table to itself
  EXPECT_EQ(pack.status, 2);
  EXPECT_FALSE(pack.err.empty());
  open.reset();
  Table::expectOk(t.db("pack"));
}

// --- check and reindex

// Replaces the first occurrence of `from` in a file by `to` (same length).
void patchFile(const fs::path& path, const std::string& from, const std::string& to) {
  std::string bytes = readFile(path);
  const std::size_t at = bytes.find(from);
  ASSERT_NE(at, std::string::npos) << from << " not in " << path;
  bytes.replace(at, from.size(), to);
  writeFile(path, bytes);
}

TEST(CardlarkDb, CheckFindsADamagedIndexAndReindexRepairsIt) {
  Table t;
  t.import("Adams\t\t\nQuixote\t\t\nZappa\t\t\n");
  // The leaf holds QUIXOTE's key bytes; make it another key.
  patchFile(t.file("ADDRESS.CDX"), "QUIXOTE", "QUIXOTF");
  const RunResult damaged = t.db("check");
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("record 2"), std::string::npos) << damaged.out;
  EXPECT_NE(damaged.out.find("QUIXOTF"), std::string::npos) << damaged.out;

  Table::expectOk(t.db("reindex"));
  const RunResult repaired = t.db("check");
  EXPECT_EQ(repaired.status, 0) << repaired.out;
  EXPECT_EQ(repaired.out, "ok\n");
  EXPECT_EQ(t.db("seek", {"QUIXOTE"}).out, "2\n");
}

TEST(CardlarkDb, ReindexRemakesAnIndexFileTooDamagedToOpen) {
  Table t;
  t.import("Adams\t\t\nQuixote\t\t\nZappa\t\t\n");
  std::string cdx = readFile(t.file("ADDRESS.CDX"));
  cdx.replace(0, 512, std::string(512, '\xFF'));  // the file header
  writeFile(t.file("ADDRESS.CDX"), cdx);
  EXPECT_EQ(t.db("check").status, 1);
  EXPECT_EQ(t.db("seek", {"ZAPPA"}).status, 2);

  const RunResult reindex = t.db("reindex");
  EXPECT_EQ(reindex.status, 0) << reindex.err;
  EXPECT_NE(reindex.err.find("set aside as ADDRESS.CDX.damaged"), std::string::npos) << reindex.err;
  EXPECT_EQ(t.db("check").out, "ok\n");
  EXPECT_EQ(t.db("seek", {"ZAPPA"}).out, "3\n");
  EXPECT_TRUE(fs::exists(t.file("ADDRESS.CDX.damaged")));

  // A lost index file comes back with the tag.
  fs::remove(t.file("ADDRESS.CDX"));
  EXPECT_EQ(t.db("check").status, 1);
  Table::expectOk(t.db("reindex"));
  EXPECT_EQ(t.db("check").out, "ok\n");
  EXPECT_EQ(t.db("seek", {"ADAMS"}).out, "1\n");

  // Damage in the table itself is not blamed on the index.
  std::string dbf = readFile(t.file("ADDRESS.DBF"));
  dbf[0] = '\x42';  // no known version
  writeFile(t.file("ADDRESS.DBF"), dbf);
  EXPECT_EQ(t.db("reindex").status, 2);
  EXPECT_TRUE(fs::exists(t.file("ADDRESS.CDX")));
}

TEST(CardlarkDb, CheckFindsDamageInTableAndMemoFile) {
  Table t;
  t.import("Adams\tsome memo text\t\nBaker\tanother memo\t\n");
  // A memo pointer far past the end of the memo file.
  std::string dbf = readFile(t.file("ADDRESS.DBF"));
  const std::size_t at = dbf.find("Baker");
  ASSERT_NE(at, std::string::npos);
  dbf.replace(at + 30, 10, "   9999999");
  writeFile(t.file("ADDRESS.DBF"), dbf);
  RunResult r = t.db("check");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("record 2: INFO memo at block 9999999 lies past the end"), std::string::npos) << r.out;

  // A table file cut short: the header counts more records than it holds.
  fs::resize_file(t.file("ADDRESS.DBF"), fs::file_size(t.file("ADDRESS.DBF")) - 20);
  r = t.db("check");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("the header counts 2 records"), std::string::npos) << r.out;
}

// --- contacts

TEST(CardlarkDb, ContactsListsTheItemsOfLiveEntries) {
  Table t;
  // Mixed line ends; a Windows-1252 letter, a backslash and the euro sign
  // in items; entry 2 deleted, entry 4 without a memo.
  t.import(
      "Pizza 555-0134\tTel (206)555-1234 or 555-9876\\r\\nmail: a@x.com, b@y.com\\nwww.Caf\xE9.example\\r"
      "c@x.com\\r\\nftp://x.org/a\\\\b\t\n"
      "Gone 555-1111\t\t\n"
      "\x80uro@x.com\tno items here\t\n"
      "Plain\t\t\n");
  Table::expectOk(t.db("delete", {"2"}));
  const std::string expected =
      "1\tphone\t555-0134\n"
      "1\tphone\t555-9876\n"
      "1\tphone\t206-555-1234\n"
      "1\temail\tc@x.com\n"
      "1\temail\ta@x.com,\n"
      "1\tweb\twww.Caf\xC3\xA9.example\n"
      "1\tweb\tftp://x.org/a\\\\b\n"
      "3\temail\t\xE2\x82\xACuro@x.com\n";
  const RunResult all = t.db("contacts");
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out, expected);
  EXPECT_EQ(t.db("contacts", {"3", "1", "3", "2"}).out, expected);  // natural order, each once
  const RunResult missing = t.db("contacts", {"1", "5"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
}

// --- duplicates and merge

TEST(CardlarkDb, DuplicatesListsGroupsWithReasonsAndMergeJoinsThem) {
  Table t;
  t.import("Smith, Ann\tTel (206) 555-1234\t\nLee\t\t\nAnn Smith (2)\tnew job\t\nRoy\tcell +1 206 555 1234\t\n");
  const RunResult found = t.db("duplicates");
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out,
            "group 1: records 1, 3, 4\n"
            "  1\tSmith, Ann\n"
            "  3\tAnn Smith (2)\n"
            "  4\tRoy\n"
            "  1 and 3: same name (annsmith)\n"
            "  1 and 4: same phone number (2065551234)\n");
  Table::expectOk(t.db("merge", {"1", "3"}));
  Table::expectOk(t.db("merge", {"1", "4"}));
  EXPECT_EQ(t.db("duplicates").status, 1);
  EXPECT_NE(t.dump().find("Smith, Ann"), std::string::npos);
  EXPECT_EQ(t.db("count").out, "2\n");
  EXPECT_EQ(t.db("merge", {"1", "3"}).status, 2);  // 3 is gone
}

// --- search

TEST(CardlarkDb, SearchFindsNamesAndMemosInAlphabeticalOrder) {
  Table t;
  t.import(
      "Smith\tPhone: 555-0100\t\n"
      "Osmium Ltd\t\t\n"
      "Jones\tmet Mr. SMITH at the fair\t\n"
      "Caf\xE9 Ren\xE9\tsmi\t\n"
      "Say \"Q'] Inc\t\t\n"
      "Gone Smith\t\t\n");
  Table::expectOk(t.db("delete", {"6"}));
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string out;
  };
  const std::string thousand = std::string(400, '"') + "'[]\xC3\xA9\xE2\x82\xAC" + std::string(595, 'x');
  const Case cases[] = {
      {{"smi"}, 0, "2\tOsmium Ltd\n1\tSmith\n"},
      {{"SMI"}, 0, "2\tOsmium Ltd\n1\tSmith\n"},
      {{"smi", "--memo"}, 0, "4\tCaf\xC3\xA9 Ren\xC3\xA9\n3\tJones\n2\tOsmium Ltd\n1\tSmith\n"},
      {{"\xC3\xA9 r"}, 0, "4\tCaf\xC3\xA9 Ren\xC3\xA9\n"},  // UTF-8 in, Windows-1252 compared
      {{"\"q']"}, 0, "5\tSay \"Q'] Inc\n"},                 // no string literal spells it
      {{"zzz", "--memo"}, 1, ""},
      {{thousand, "--memo"}, 1, ""},
  };
  for (const Case& c : cases) {
    const RunResult r = t.db("search", c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments[0] << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.arguments[0];
  }
  EXPECT_EQ(t.db("search", {""}).status, 2);
}

TEST(CardlarkDb, CreatesTablesInANamedCodePageAndConvertsByIt) {
  EXPECT_NE(Table().db("info").out.find("code page: 1252 (mark 0x03)\n"), std::string::npos);

  // Memos left there without their table are moved aside, not deleted.
  TempDir dir;
  const std::string folder = dir.path().string();
  writeFile(dir / "address.FPT", "old memos");
  Table::expectOk(cardlarkDb({"create", folder, "--codepage", "1250"}));
  EXPECT_EQ(readFile(dir / "address.FPT.orphaned"), "old memos");
  EXPECT_NE(cardlarkDb({"info", folder}).out.find("code page: 1250 (mark 0xC8)\n"), std::string::npos);
  writeFile(dir / "import.txt",
            "Web \xA3\xF3"
            "d\x9f\twww.\xA3\xF3"
            "d\x9f.example\t\n");
  Table::expectOk(cardlarkDb({"import", folder, (dir / "import.txt").string()}));
  EXPECT_EQ(cardlarkDb({"contacts", folder}).out, "1\tweb\twww.\u0141\u00f3d\u017a.example\n");
  // Text from the command line is compared in the table's code page; what
  // the table cannot hold is refused, not searched as '?'.
  EXPECT_EQ(cardlarkDb({"search", folder, "\u0141\u00f3d\u017a", "--memo"}).out, "1\tWeb \u0141\u00f3d\u017a\n");
  EXPECT_EQ(cardlarkDb({"count", folder, "--filter", "\"\u0141\u00f3\" $ Name"}).out, "1\n");
  const RunResult refused = cardlarkDb({"search", folder, "\u65e5", "--memo"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("code page 1250 cannot hold"), std::string::npos) << refused.err;

  const RunResult unknown = cardlarkDb({"create", (dir / "x").string(), "--codepage", "65001"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("Unknown code page 65001"), std::string::npos) << unknown.err;
}

// --- the command line itself

TEST(CardlarkDb, InfoDescribesTheTable) {
  Table t;
  t.import("Ann\t\t\n");
  const RunResult r = t.db("info");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"version: 0xF5 (FoxPro with memo)\n", "records: 1\n", "field: NAME C 30 0\n",
                           "field: INFO M 10 0\n", "field: LASTDATE D 8 0\n", "memo block size: 64\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << " not in\n" << r.out;
  EXPECT_NE(r.out.find("tag: ADDRESS "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("last update: "), std::string::npos) << r.out;
}

TEST(CardlarkDb, CommandLineErrorsExitWithStatusTwo) {
  TempDir empty;
  const std::string missing = (empty / "no-such-folder").string();
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"dump"},
      {"dump", empty.path().string(), "--bogus"},
      {"dump", missing},
      {"dump", empty.path().string()},  // a folder without a table
      {"seek", empty.path().string()},
      {"count", empty.path().string(), "--filter"},
      {"create", missing},
  };
  for (const auto& args : cases) {
    const RunResult r = cardlarkDb(args);
    EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
    EXPECT_FALSE(r.err.empty()) << testing::PrintToString(args);
    EXPECT_TRUE(r.out.empty()) << testing::PrintToString(args) << r.out;
  }
  Table t;
  const RunResult again = cardlarkDb({"create", t.dir()});
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
}

// --- exchange with other address books

// The dump without its date column: an import stamps today's date.
std::string namesAndMemos(const std::string& dump) {
  std::string out;
  std::size_t start = 0;
  while (start < dump.size()) {
    const std::size_t end = dump.find('\n', start);
    std::string line = dump.substr(start, end - start);
    const std::size_t nameEnd = line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
    const std::size_t dateEnd = line.find('\t', nameEnd + 1);
    out += line.substr(0, nameEnd) + line.substr(dateEnd) + "\n";
    start = end + 1;
  }
  return out;
}

TEST(CardlarkDb, ExportThenImportGivesTheSameEntries) {
  for (const std::string format : {"vcard", "csv"}) {
    SCOPED_TRACE(format);
    Table source;
    source.import(
        "Adams\tPhone: (206)555-1234\\r\\nEmail: ann@example.com\\r\\nwww.example.com, \"quoted\"; semi\\\\\\r\\n\t\n"
        "M\xFCller \x80\t" +
        std::string(200, '\xE9') + "\t\nPizza 555-0000\t\t\n");
    Table::expectOk(source.db("export-" + format, {source.file("out").string()}));
    Table target;
    const RunResult r = target.db("import-" + format, {source.file("out").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3 imported, 0 skipped\n");
    EXPECT_EQ(namesAndMemos(target.dump()), namesAndMemos(source.dump()));
  }
}

TEST(CardlarkDb, ImportKeepsTheDuplicateRuleAndSkipsWhatItCannotRead) {
  Table t;
  t.import("Ann\t\t\n");
  t.import("ann (2)\t\t\n");
  const std::string cards =
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:ANN\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob \xE2\x98\x95\r\nEND:VCARD\r\n";
  writeFile(t.file("a.vcf"), cards);
  RunResult r = t.db("import-vcard", {t.file("a.vcf").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1 imported, 1 skipped: a.vcf line 1\n1 characters replaced by ?\n");
  EXPECT_NE(r.err.find("a.vcf line 1: entry already exists for: ANN, skipped"), std::string::npos) << r.err;
  r = t.db("import-vcard", {t.file("a.vcf").string(), "--rename"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("line 1: stored as ANN (3)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("line 5: stored as Bob ? (2)"), std::string::npos) << r.out;

  const std::string before = t.dump();
  const struct {
    const char* command;
    std::string text;
    const char* says;
  } bad[] = {
      {"import-vcard", cards + "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cid\r\n", "bad line 9: the card"},
      {"import-csv", "Name,Notes\r\nCid,\"open\r\n", "bad line 2: a quoted field is not closed"},
      {"import-csv", "", "bad line 1: the file is empty"},
  };
  for (const auto& b : bad) {
    writeFile(t.file("bad"), b.text);
    r = t.db(b.command, {t.file("bad").string(), "--strict"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(b.says), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was imported"), std::string::npos) << r.err;
    // Without --strict the rest is imported: here nothing, so status 1.
    r = t.db(b.command, {t.file("bad").string()});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.out.rfind("0 imported, ", 0), 0u) << r.out;
    EXPECT_NE(r.err.find(std::string(b.says).substr(4)), std::string::npos) << r.err;
  }
  EXPECT_EQ(t.dump(), before);

  writeFile(t.file("mixed.csv"), "Name,Notes\r\nDee,a,b\r\n,no name\r\nEve,\"open\r\n");
  r = t.db("import-csv", {t.file("mixed.csv").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1 imported, 2 skipped: mixed.csv line 3 ...\n");
  EXPECT_NE(r.err.find("mixed.csv line 2: 3 fields, but the header names 2; the extra ones went into the memo; "
                       "stored anyway\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("mixed.csv line 4: a quoted field is not closed; skipped\n"), std::string::npos) << r.err;
  EXPECT_NE(t.dump().find("Dee"), std::string::npos);
}

}  // namespace
}  // namespace cardlark::test
