// Our tables read by Debian's python xBase readers, and theirs read and
// extended by us. The python modules come from the python3-dbf and
// python3-dbfread packages that scripts/setup installs, so these tests run
// everywhere the suite runs.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tool_runner.h"
#include "xbase/cursor.h"

namespace cardlark::test {
namespace {

struct Entry {
  std::string name;
  std::string memo;
  std::string date;  // YYYYMMDD or ""
  bool deleted = false;
};

// Names and memos with what real entries hold: line breaks, tabs,
// backslashes, Windows-1252 letters, blank values, a memo over many blocks.
std::vector<Entry> sampleEntries() {
  return {
      {"Smith, John", "Phone: 555 1234\r\nMail: john@example.com\r\n", "20260315"},
      {"M\xFCller, J\xF6rg",
       "Stra\xDF"
       "e 5\tApt \\3\\",
       "19991231"},
      {"O'Neil \"Bud\"", "", ""},
      {"123456789012345678901234567890", std::string(5000, 'm') + "\r\nend", "20000229"},
      {"", "memo of a blank name", "18991230"},
  };
}

std::string importLine(const Entry& e) {
  std::string memo;
  for (char c : e.memo) {
    switch (c) {
      case '\n': memo += "\\n"; break;
      case '\r': memo += "\\r"; break;
      case '\t': memo += "\\t"; break;
      case '\\': memo += "\\\\"; break;
      default: memo.push_back(c);
    }
  }
  return e.name + "\t" + memo + "\t" + e.date + "\n";
}

// One line per record as the python scripts below print them.
std::string hexLine(const Entry& e) { return hex(e.name) + "\t" + hex(e.memo) + "\t" + e.date + "\n"; }

std::string dumpLine(int recno, const Entry& e) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", crc32Of(e.memo));
  return std::to_string(recno) + "\t" + (e.deleted ? "*" : "-") + "\t" + e.name + "\t" + e.date + "\t" +
         std::to_string(e.memo.size()) + "\t" + crc + "\n";
}

// Prints the undeleted records of a table, fields as hex bytes (names
// without trailing blanks), dates as YYYYMMDD.
const char* const kReadWithDbfread = R"PY(
import sys, dbfread
table = dbfread.DBF(sys.argv[1], encoding='latin-1', char_decode_errors='strict')
for r in table:
    date = r['LASTDATE'].strftime('%Y%m%d') if r['LASTDATE'] else ''
    print(r['NAME'].rstrip(' ').encode('latin-1').hex(), (r['INFO'] or '').encode('latin-1').hex(), date, sep='\t')
)PY";

// python-dbf looks for the memo file with its extension in the case of the
// DBF's (ADDRESS.DBF -> ADDRESS.FPT), which misses ADDRESS.fpt on a file
// system that minds case; it reads the table through lower-case links.
const char* const kReadWithDbf = R"PY(
import glob, os, sys, tempfile, dbf
stem = os.path.splitext(sys.argv[1])[0]
with tempfile.TemporaryDirectory() as links:
    for ext in ('.dbf', '.fpt'):
        real = [p for p in glob.glob(stem + '.*') if p.lower().endswith(ext)][0]
        os.symlink(os.path.abspath(real), os.path.join(links, 'table' + ext))
    table = dbf.Table(os.path.join(links, 'table.dbf'))
    table.open(dbf.READ_ONLY)
    for r in table:
        if dbf.is_deleted(r):
            continue
        date = r.lastdate.strftime('%Y%m%d') if r.lastdate else ''
        print(r.name.rstrip(' ').encode('cp1252').hex(), (r.info or '').encode('cp1252').hex(), date, sep='\t')
    table.close()
)PY";

// Writes a FoxPro table from lines of hex name, hex memo, date, deleted.
const char* const kWriteWithDbf = R"PY(
import sys, datetime, dbf
path, kind, source = sys.argv[1], sys.argv[2], sys.argv[3]
table = dbf.Table(path, 'name C(30); info M; lastdate D', dbf_type=kind, codepage='cp1252')
table.open(dbf.READ_WRITE)
for line in open(source):
    name, memo, date, deleted = line.rstrip('\n').split('\t')
    day = datetime.date(int(date[:4]), int(date[4:6]), int(date[6:])) if date else None
    table.append((bytes.fromhex(name).decode('cp1252'), bytes.fromhex(memo).decode('cp1252'), day))
    if deleted == '1':
        with table[-1] as r:
            dbf.delete(r)
table.close()
)PY";

std::string joined(const std::vector<Entry>& entries, std::string (*line)(const Entry&)) {
  std::string out;
  for (const Entry& e : entries) out += line(e);
  return out;
}

class ReadByPython : public testing::TestWithParam<const char*> {};

TEST_P(ReadByPython, NamesMemosAndDatesOfOurTable) {
  TempDir dir;
  const std::vector<Entry> entries = sampleEntries();
  ASSERT_EQ(cardlarkDb({"create", dir.path().string()}).status, 0);
  writeFile(dir / "in.txt", joined(entries, importLine));
  const RunResult imported = cardlarkDb({"import", dir.path().string(), (dir / "in.txt").string()});
  ASSERT_EQ(imported.status, 0) << imported.err;
  // A deleted record must stay invisible to them as well.
  ASSERT_EQ(cardlarkDb({"delete", dir.path().string(), "3"}).status, 0);
  std::vector<Entry> visible = entries;
  visible.erase(visible.begin() + 2);

  const std::string reader = GetParam();
  const RunResult read = runPython(reader == "dbfread" ? kReadWithDbfread : kReadWithDbf,
                                   {(dir / "ADDRESS.DBF").string()});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, joined(visible, hexLine));
}

INSTANTIATE_TEST_SUITE_P(Interop, ReadByPython, testing::Values("dbfread", "dbf"));

class WrittenByPython : public testing::TestWithParam<const char*> {};

// python-dbf writes FoxPro ("fp", version 0xF5, 128-byte memo blocks) and
// Visual FoxPro ("vfp", 0x30, binary memo pointers) tables without an index.
TEST_P(WrittenByPython, ReadExtendedAndReadBack) {
  TempDir dir;
  std::vector<Entry> entries = sampleEntries();
  entries[1].deleted = true;
  std::string source;
  for (const Entry& e : entries)
    source += hex(e.name) + "\t" + hex(e.memo) + "\t" + e.date + "\t" + (e.deleted ? "1" : "0") + "\n";
  writeFile(dir / "source.txt", source);
  const RunResult written = runPython(kWriteWithDbf,
                                      {(dir / "ADDRESS").string(), GetParam(), (dir / "source.txt").string()});
  ASSERT_EQ(written.status, 0) << written.err;

  std::string expected;
  for (std::size_t i = 0; i < entries.size(); ++i) expected += dumpLine(static_cast<int>(i + 1), entries[i]);
  const RunResult dump = cardlarkDb({"dump", dir.path().string(), "--deleted"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out, expected);
  const RunResult check = cardlarkDb({"check", dir.path().string()});
  EXPECT_EQ(check.out, "ok\n") << check.err;

  // Entries we append to their table read back through their reader.
  const Entry added{"Appended by us", "two\r\nlines \xE9", "20260101"};
  writeFile(dir / "more.txt", importLine(added));
  const RunResult imported = cardlarkDb({"import", dir.path().string(), (dir / "more.txt").string()});
  ASSERT_EQ(imported.status, 0) << imported.err;
  std::vector<Entry> visible;
  for (const Entry& e : entries)
    if (!e.deleted) visible.push_back(e);
  visible.push_back(added);
  const RunResult read = runPython(kReadWithDbfread, {(dir / "ADDRESS.dbf").string()});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, joined(visible, hexLine));
}

INSTANTIATE_TEST_SUITE_P(Interop, WrittenByPython, testing::Values("fp", "vfp"));

// A FoxPro table in code page 1251 written by python-dbf, which makes no
// index: natural order Zulu, alpha, Mike; name order alpha, Mike, Zulu.
const char* const kWriteWithoutIndex = R"PY(
import sys, dbf
table = dbf.Table(sys.argv[1], 'name C(30); info M; lastdate D', dbf_type='fp', codepage='cp1251')
table.open(dbf.READ_WRITE)
for name, memo in [('Zulu', 'Mail: z@example.com'), ('alpha', ''), ('Mike', 'Note')]:
    table.append((name, memo, None))
table.close()
)PY";

void writeTableWithoutIndex(const TempDir& dir) {
  const RunResult written = runPython(kWriteWithoutIndex, {(dir / "ADDRESS").string()});
  ASSERT_EQ(written.status, 0) << written.err;
}

// `arguments` with the folder after the command and "@out" a file there.
RunResult onTable(const TempDir& dir, std::vector<std::string> arguments) {
  for (std::string& argument : arguments)
    if (argument == "@out") argument = (dir / "out").string();
  arguments.insert(arguments.begin() + 1, dir.path().string());
  return cardlarkDb(arguments);
}

// Each read command on such a table works; the first builds the tag and
// says so once. check instead reports the missing index with its repair.
TEST(TableWithoutIndex, EveryReadCommandWorksAndTheFirstBuildsTheTag) {
  struct Case {
    std::vector<std::string> arguments;
    std::string out;  // how standard output begins
  };
  const Case cases[] = {
      {{"dump"}, "1\t-\tZulu\t"},
      {{"seek", "mike"}, "3\n"},
      {{"search", "l"}, "2\talpha\n1\tZulu\n"},
      {{"export-vcard", "@out"}, "3 entries exported\n"},
      {{"report", "--text", "@out"}, ""},
      {{"contacts"}, "1\temail\tz@example.com\n"},
      {{"count"}, "3\n"},
      {{"info"}, "table: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    TempDir dir;
    writeTableWithoutIndex(dir);
    for (const bool first : {true, false}) {
      const RunResult r = onTable(dir, c.arguments);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
      const bool told = r.err.find("ADDRESS.CDX was missing; it has been built") != std::string::npos;
      EXPECT_EQ(told, first) << r.err;
    }
  }
  TempDir dir;
  writeTableWithoutIndex(dir);
  const RunResult check = onTable(dir, {"check"});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, "ADDRESS.CDX is missing; repair: cardlark-db reindex " + dir.path().string() + "\n");
  ASSERT_EQ(onTable(dir, {"reindex"}).status, 0);
  EXPECT_EQ(onTable(dir, {"check"}).out, "ok\n");
}

// While another cursor holds the table open the tag cannot be built: the
// commands that need name order sort in memory, and each says why.
TEST(TableWithoutIndex, HeldOpenElsewhereItIsSortedInMemoryWithANote) {
  TempDir dir;
  writeTableWithoutIndex(dir);
  const auto held = xbase::Cursor::open(dir / "ADDRESS.dbf", xbase::OpenMode::Shared);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"seek", "mike"}, "3\n"},
      {{"seek", "m", "--soft"}, "3\n"},
      {{"seek", "n", "--soft"}, "1\n"},
      {{"search", "l"}, "2\talpha\n1\tZulu\n"},
      {{"dump", "--order", "address"}, "2\t-\talpha\t\t0\t00000000\n3\t-\tMike"},
      {{"export-csv", "@out"}, "3 entries exported\n"},
  };
  for (const auto& [arguments, out] : cases) {
    SCOPED_TRACE(arguments.front());
    const RunResult r = onTable(dir, arguments);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, out.size()), out);
    EXPECT_NE(r.err.find("ADDRESS.CDX is missing and cannot be built now (the table is open in another program)"),
              std::string::npos)
        << r.err;
  }
  const std::string csv = readFile(dir / "out");
  EXPECT_LT(csv.find("alpha"), csv.find("Mike"));
  EXPECT_LT(csv.find("Mike"), csv.find("Zulu"));
  EXPECT_EQ(onTable(dir, {"seek", "nobody"}).status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "ADDRESS.CDX"));
}

std::string repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// The cards we export, read by Debian's python3-vobject.
const char* const kReadWithVobject = R"PY(
import sys, vobject
with open(sys.argv[1], encoding='utf-8', newline='') as f:
    for card in vobject.readComponents(f):
        items = [c.name + '=' + c.value for c in card.getChildren() if c.name in ('TEL', 'EMAIL', 'URL')]
        note = card.note.value if hasattr(card, 'note') else ''
        print(card.uid.value, repr(card.fn.value), repr(note), ' '.join(items))
)PY";

// Each card has a UID, the same in every export.
TEST(Interop, VobjectReadsTheCardsWeExport) {
  TempDir dir;
  ASSERT_EQ(cardlarkDb({"create", dir.path().string()}).status, 0);
  writeFile(dir / "in.txt", "Caf\xE9, Zo\xEB\tline one; two, three\\\\\\r\\n" + std::string(90, '\xE9') +
                                " +1 206-555-1234 ann@example.com\\r\\nhttp://example.com/x\t\n");
  ASSERT_EQ(cardlarkDb({"import", dir.path().string(), (dir / "in.txt").string()}).status, 0);
  std::string first;
  for (const char* file : {"out.vcf", "again.vcf"}) {
    ASSERT_EQ(cardlarkDb({"export-vcard", dir.path().string(), (dir / file).string()}).status, 0);
    const RunResult read = runPython(kReadWithVobject, {(dir / file).string()});
    ASSERT_EQ(read.status, 0) << read.err;
    ASSERT_EQ(read.out.find(' '), 36u) << read.out;  // a UUID first
    EXPECT_EQ(read.out.substr(37), "'Café, Zoë' 'line one; two, three\\\\\\n" + repeated("\xC3\xA9", 90) +
                                       " +1 206-555-1234 ann@example.com\\nhttp://example.com/x' "
                                       "TEL=+1 206-555-1234 EMAIL=ann@example.com URL=http://example.com/x\n");
    if (first.empty()) first = read.out;
    EXPECT_EQ(read.out, first);
  }
}

}  // namespace
}  // namespace cardlark::test
