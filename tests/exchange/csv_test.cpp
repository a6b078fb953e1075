#include <gtest/gtest.h>

#include "exchange/csv.h"
#include "exchange/csv_mapping.h"

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
      {"Name\nAnn\nB\xFFob\n", 3, "UTF-8"},
      {"Name,Notes\nAnn,a,b\n", 2, "3 fields"},
      {"Name,Notes\nAnn,a\n,only notes\n", 3, "no name"},
      {"", 1, "empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      entriesFromCsv(c.text, CodePage());
      ADD_FAILURE() << "accepted";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
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

TEST(CsvExport, RoundTripKeepsNameAndMemo) {
  const book::Entry entries[] = {
      {"Smith, Bob", "Phone: 206-555-1234\r\nEmail: bob@example.com\r\n\"quoted\", www.example.com"},
      {"Caf\xE9", ""},
  };
  std::string file;
  appendCsvHeader(file);
  for (const book::Entry& e : entries) appendCsvEntry(file, e, CodePage());
  EXPECT_EQ(file.substr(0, file.find("\r\n")), "Name,E-mail Address,Phone,Web Page,Notes");
  const auto back = entriesFromCsv(file, CodePage());
  ASSERT_EQ(back.size(), std::size(entries));
  for (std::size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].entry.name, entries[i].name);
    EXPECT_EQ(back[i].entry.memo, entries[i].memo);
  }
}

}  // namespace
}  // namespace exchange
