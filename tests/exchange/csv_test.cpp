#include <gtest/gtest.h>

#include "exchange/csv.h"
#include "exchange/csv_mapping.h"
#include "exchange/file_import.h"
#include "xbase/error.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace exchange {
namespace {

using Fields = std::vector<std::string>;

TEST(Csv, ReadsQuotedFieldsLineBreaksAndQuotes) {
  const struct {
    std::string text;
    std::vector<Fields> records;
    std::vector<std::size_t> lines;
  } cases[] = {
      {"a,b\r\n\"x, y\",\"say \"\"hi\"\"\"\r\n", {{"a", "b"}, {"x, y", "say \"hi\""}}, {1, 2}},
      {"\xEF\xBB\xBFh\n\"one\r\ntwo\"\n\nlast", {{"h"}, {"one\r\ntwo"}, {"last"}}, {1, 2, 5}},
      {"a;b\n1;\"2;3\"\n", {{"a", "b"}, {"1", "2;3"}}, {1, 2}},
      {"a,b,\n,,\n", {{"a", "b", ""}}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto got = readCsv(c.text);
    ASSERT_EQ(got.size(), c.records.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].fields, c.records[i]);
      EXPECT_EQ(got[i].line, c.lines[i]);
    }
  }
}

TEST(Csv, BadInputNamesTheLine) {
  const struct {
    std::string text;
    std::size_t line;
    const char* says;
  } cases[] = {
      {"Name\n\"Ann\n\nBob\n", 2, "not closed"},
      {"Name\n\"Ann\"x\n", 2, "after the closing quote"},
      {"\xEF\xBB\xBFName\nAnn\nB\xFFob\n", 3, "UTF-8"},
      {"Name,Notes\nAnn,a,b\n", 2, "3 fields"},
      {"Name,Notes\nAnn,a\n,only notes\n", 3, "no name"},
      {"", 1, "empty"},
      {"Name,Notes\n" + std::string(2, '\0') + ",x\n", 2, "no name"},
      {"Name,Notes\nAnn,\"" + std::string(4 << 20, 'x') + "\"\n", 2, "256 KiB"},
      {"Name\nAnn\n" + std::string(4 << 20, 'x') + "\n", 3, "256 KiB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    try {
      entriesFromCsv(c.text, CodePage());
      ADD_FAILURE() << "accepted";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

TEST(Csv, ABadRecordIsLeftOutAndReadingGoesOnAtTheNextLine) {
  const struct {
    std::string text;
    std::vector<std::string> names;
    std::vector<std::size_t> skipped;
    std::size_t warned = 0;
  } cases[] = {
      {"Name,Notes\nAnn,\"a\nb\"\nBob,\"open\nCid,x\n", {"Ann", "Cid"}, {4}},
      {"Name,Notes\nAnn,\"open\nBob,x\n", {"Bob"}, {2}},
      {"Name,Notes\nAnn,\"a\"b\nBob,x\n,only notes\n", {"Bob"}, {2, 4}},
      {"\xEF\xBB\xBFName\nB\xFFob\nCid\n", {"Cid"}, {2}},
      {"Name,Notes\nJ\xFCrgen,\x80 5\n", {"J\xFCrgen"}, {}},
      {"Name,Notes\nAnn,a,b\nBob\nCid,x,,\n", {"Ann", "Bob", "Cid"}, {}, 2},
      {"Name,Company,E-mail,Phone\n,,,555-0100\n,,a@example.org ::: b@example.org,\n,Acme,,\n",
       {"555-0100", "a@example.org", "Acme"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ReadEntries got = readCsvEntries(c.text, CodePage());
    std::vector<std::string> names;
    for (const ImportedEntry& e : got.entries) names.push_back(e.entry.name);
    EXPECT_EQ(names, c.names);
    std::vector<std::size_t> skipped;
    for (const ReadError& e : got.skipped) skipped.push_back(e.line());
    EXPECT_EQ(skipped, c.skipped);
    EXPECT_EQ(got.warnings.size(), c.warned);
  }
}

TEST(CsvImport, RecognisesCommonColumnsAndKeepsTheRest) {
  const std::string file =
      "First Name,Last Name,E-mail Address,E-mail Type,Mobile Phone,Web Page,Company,Notes\r\n"
      "J\xC3\xBCrgen,M\xC3\xBCller,jm@example.de,home,555-0101,www.example.de,\"Acme, Inc.\",\"likes tea\r\n\"\r\n"
      "Bea,,,,,,,\r\n";
  const auto entries = entriesFromCsv(file, CodePage());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].entry.name, "M\xFCller, J\xFCrgen");
  EXPECT_EQ(entries[0].entry.memo,
            "Email: jm@example.de\r\nE-mail Type: home\r\nPhone: 555-0101\r\nWebSite: www.example.de\r\n"
            "Company: Acme, Inc.\r\nlikes tea\r\n");
  EXPECT_EQ(entries[0].line, 2u);
  EXPECT_EQ(entries[1].entry.name, "Bea");
  EXPECT_EQ(entries[1].entry.memo, "");
  EXPECT_EQ(entries[1].line, 4u);
}

TEST(CsvExport, RoundTripKeepsNameAndMemoButFormulasBecomeText) {
  const struct {
    book::Entry entry;
    const char* record;  // as written
    book::Entry back;    // as read again
  } cases[] = {
      {{"Smith, Bob", "Phone: 206-555-1234\r\nEmail: bob@example.com\r\n\"quoted\", www.example.com"},
       "\"Smith, Bob\",bob@example.com,206-555-1234,www.example.com,\"Phone: 206-555-1234\r\nEmail: "
       "bob@example.com\r\n\"\"quoted\"\", www.example.com\"",
       {"Smith, Bob", "Phone: 206-555-1234\r\nEmail: bob@example.com\r\n\"quoted\", www.example.com"}},
      {{"Caf\xE9", ""}, "Caf\xC3\xA9,,,,", {"Caf\xE9", ""}},
      {{"=cmd|' /C calc'!A0", "+1-206-555-1234"},
       "'=cmd|' /C calc'!A0,,+1-206-555-1234,,+1-206-555-1234",
       {"'=cmd|' /C calc'!A0", "+1-206-555-1234"}},
      {{"Frank", "Address: Raleigh 27613-3502\r\nPhone (cell): +46-8-555-0104"},
       "Frank,,+46-8-555-0104,,\"Address: Raleigh 27613-3502\r\nPhone (cell): +46-8-555-0104\"",
       {"Frank", "Address: Raleigh 27613-3502\r\nPhone (cell): +46-8-555-0104"}},
      {{"@SUM(A1)", "-2+3\r\nx"}, "'@SUM(A1),,,,\"'-2+3\r\nx\"", {"'@SUM(A1)", "'-2+3\r\nx"}},
  };
  std::string file;
  appendCsvHeader(file);
  EXPECT_EQ(file, "Name,E-mail Address,Phone,Web Page,Notes\r\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record);
    std::string record;
    appendCsvEntry(record, c.entry, CodePage());
    EXPECT_EQ(record, std::string(c.record) + "\r\n");
    const auto back = entriesFromCsv(file + record, CodePage());
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].entry.name, c.back.name);
    EXPECT_EQ(back[0].entry.memo, c.back.memo);
  }
}

// Bytes of UTF-16 `text` in the given order, after a byte order mark.
std::string utf16Bytes(const std::u16string& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return out;
}

TEST(ExchangeFile, Utf16IsReadAndOtherUnicodeFormsRefused) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("cardlark_exchange_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const struct {
    std::string bytes;
    FileKind kind;
    const char* nameOrError;
  } cases[] = {
      {utf16Bytes(u"Name,Notes\r\nJ\u00FCrgen \U0001F600,x\r\n", false), FileKind::Csv, "J\xFCrgen ?"},
      {utf16Bytes(u"BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann\r\nEND:VCARD\r\n", true), FileKind::VCard, "Ann"},
      {utf16Bytes(u"Name\r\n\xD800x\r\n", false), FileKind::Csv, "broken"},
      {utf16Bytes(u"Name", true) + "x", FileKind::Csv, "broken"},
      {std::string("\xFF\xFE\0\0N\0\0\0", 8), FileKind::Csv, "UTF-32"},
      {std::string("B\0E\0G\0", 6), FileKind::VCard, "NUL bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nameOrError);
    const std::filesystem::path file = dir / "in";
    std::ofstream(file, std::ios::binary) << c.bytes;
    try {
      EXPECT_EQ(readExchangeFile(file, c.kind, CodePage()).entries.at(0).entry.name, c.nameOrError);
    } catch (const xbase::Error& e) {
      EXPECT_NE(std::string(e.what()).find(file.string() + ": "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.nameOrError), std::string::npos) << e.what();
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace exchange
