#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "exchange/card_mapping.h"
#include "exchange/file_import.h"
#include "exchange/vcard_reader.h"
#include "exchange/vcard_writer.h"

namespace exchange {
namespace {

std::string sample(const std::string& name) {
  std::ifstream in(std::string(CARDLARK_SOURCE_DIR) + "/tests/exchange/samples/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string lines(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (const auto part : parts) out += (out.empty() ? "" : "\r\n") + std::string(part);
  return out;
}

struct Expected {
  std::string name;
  std::string memo;
  std::size_t replaced = 0;
};

std::vector<ImportedEntry> importAll(std::string_view file) {
  std::vector<ImportedEntry> entries;
  for (const Card& card : readVCards(file)) entries.push_back(entryFromCard(card, CodePage()));
  return entries;
}

TEST(VCardImport, SamplesOfTheThreeVersions) {
  const struct {
    const char* file;
    std::vector<Expected> entries;
  } cases[] = {
      {"rfc6350.vcf",
       {{"Simone Perrin",
         lines({"Birthday: --0203", "Anniversary: 20090808T1430-0500", "Organisation: Example Networks",
                "Address: Suite D2-630, 2875 Laurier, Quebec, QC, G1V 2M2, Canada",
                "Phone (work,voice): +1-418-656-9254;ext=102", "Phone (work,cell,voice,video,text): +1-418-262-6501",
                "Email (work): simone.perrin@example.ca", "WebSite (home): http://example.org/simone"})},
        {"Zo\xEB ??",
         "Caf\xE9 \x80"
         "5\r\nsee ?",
         3}}},
      {"rfc2426.vcf",
       {{"Frank Dawes", lines({"Organisation: Example Development Corporation, Sales",
                               "Address: 6544 Battleford Drive, Raleigh, NC, 27613-3502, U.S.A.",
                               "Phone (voice,msg,work): +1-919-676-9515", "Phone (fax,work): +1-919-676-9564",
                               "Email (pref): Frank_Dawes@example.com", "WebSite: http://home.example.net/~fdawes",
                               "Title: Director, Research", "Met at the fair, 2019; call back\r\nSecond line"})},
        {"Howe, Tim", "Email: howe@example.com"}}},
      {"vcard21.vcf",
       {{"Ada Quill", lines({"Phone (work,voice): +1-206-555-1234", "Phone (cell): 555-9876", "Email: ada@example.com",
                             "Address: Hauptstra\xDF"
                             "e 5, Hinterhaus, Berlin, 10115, Germany",
                             "First line\r\nSecond line", "Birthday: 1985-04-12"})},
        {"M\xFCller, J\xFCrgen", "Phone (home): (030) 555-0199"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<ImportedEntry> got = importAll(sample(c.file));
    ASSERT_EQ(got.size(), c.entries.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].entry.name, c.entries[i].name);
      EXPECT_EQ(got[i].entry.memo, c.entries[i].memo);
      EXPECT_EQ(got[i].replaced, c.entries[i].replaced);
    }
  }
}

// What other programs write, and files broken in the ways they break:
// every contact that can be read is imported, the others are named by line.
TEST(ExchangeSamples, EveryContactThatCanBeReadIsImported) {
  const struct {
    const char* file;
    std::size_t imported;
    std::vector<std::size_t> skipped;  // lines
    std::size_t warned;
    std::vector<std::string> names;  // the first ones, in the table's code page
    const char* memo = "";           // of the first entry, when given
  } cases[] = {
      {"android.vcf",
       2,
       {},
       0,
       {"Lena \xC5"
        "berg",
        "Pablo Ortega"}},
      {"iphone.vcf", 2, {}, 0, {"Aiko Nakamura", "Corner Bakery"}},
      {"blackberry.vcf", 1, {}, 0, {"Marek Kowalski"}},
      {"outlook2003.vcf", 1, {}, 0, {"Hanna Fischer"}},
      {"outlook2007.vcf", 1, {}, 0, {"Camille Dubois"}},
      {"gmail.vcf", 2, {}, 0, {"Ravi Iyer", "no-name@example.org"}},
      {"lotus_notes.vcf", 1, {}, 0, {"Siobhan Brennan"}},
      {"mac_addressbook.vcf",
       1,
       {},
       0,
       {"Nils Sj\xF6"
        "berg"}},
      {"evolution.vcf", 1, {}, 0, {"Petra Novak"}},
      {"bad_utf8_value.vcf",
       2,
       {},
       0,
       {"Luc\xED"
        "a Garc\xED"
        "a",
        "Ola Berg"}},
      {"iso8859_2.vcf", 1, {}, 0, {"Ji?\xED Dvo?\xE1k"}},
      {"eight_bit_no_charset.vcf",
       1,
       {},
       0,
       {"Fran\xE7ois M\xFCller"},
       "Caf\xE9 \x80"
       "5"},
      {"no_fn_no_n.vcf", 3, {14}, 0, {"Acme Plumbing, Service", "orders@example.com", "+1-555-0118"}},
      {"line_without_colon.vcf", 2, {10}, 0, {"Ann Lee", "Cy Dunn"}},
      {"missing_end.vcf", 2, {5, 12}, 0, {"Dee Ross", "Fay Wong"}},
      {"thunderbird.csv", 2, {}, 0, {"Jonas Weber", "Helpdesk Inc"}},
      {"thunderbird_extra_field.csv", 2, {}, 1, {"Mia Roth", "Tom Roth"}},
      {"google.csv",
       1,
       {},
       0,
       {"Sara Cohen"},
       "Book club\r\nGroup Membership: * myContacts\r\nE-mail 1 - Type: * Home\r\nEmail: sara@example.com\r\n"
       "Email: sara.work@example.com\r\nPhone 1 - Type: Mobile\r\nPhone: +972 52-555-0122\r\nPhone 2 - Type: "
       "Work\r\nPhone: +972 3-555-0123\r\nAddress 1 - Type: Home\r\nAddress: 5 Herzl St, Tel Aviv 61000, Israel\r\n"
       "Organization 1 - Name: Example Ltd\r\nOrganization 1 - Title: Analyst\r\nWebsite 1 - Type: Profile\r\n"
       "WebSite: http://example.com/sara"},
      {"google_no_name.csv", 3, {}, 0, {"noname@example.com", "+1 555-0124", "Kim Ito"}},
      {"outlook.csv", 1, {}, 0, {"Walsh, Liam"}},
      {"outlook_windows1252.csv",
       1,
       {},
       0,
       {"S\xF8rensen, Bj\xF6rn"},
       "Address: N\xF8rregade 1, K\xF8"
       "benhavn, 1165, Danmark\r\nPhone: +45 33 55 01 26\r\nEmail: bjorn@example.dk\r\n"
       "E-mail Type: SMTP\r\nCaf\xE9 \x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::filesystem::path path = std::filesystem::path(CARDLARK_SOURCE_DIR) / "tests/exchange/samples" / c.file;
    const FileEntries got = readExchangeFile(path, *fileKindOf(path), CodePage());
    ASSERT_EQ(got.entries.size(), c.imported);
    std::vector<std::size_t> skipped;
    for (const ReadError& e : got.skipped) skipped.push_back(e.line());
    EXPECT_EQ(skipped, c.skipped);
    EXPECT_EQ(got.warnings.size(), c.warned);
    for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_EQ(got.entries[i].entry.name, c.names[i]);
    if (*c.memo) {
      EXPECT_EQ(got.entries[0].entry.memo, c.memo);
    }
  }
}

TEST(VCardImport, BadInputNamesTheLine) {
  const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
  const struct {
    std::string text;
    std::size_t line;
    const char* says;
  } cases[] = {
      {card + "FN:Ann\r\n", 1, "no END:VCARD"},
      {"BEGIN:VCARD\r\nVERSION:2.1\r\nN:A\r\nNOTE;QUOTED-PRINTABLE:abc=\r\nEND:VCARD", 1, "no END:VCARD"},
      {"BEGIN:VCARD\r\nVERSION:2.1\r\nN:A\r\nNOTE;quoted-printable:bad=ZZ\r\nEND:VCARD\r\n", 4, "quoted-printable"},
      {card + "NOTE:no name\r\nEND:VCARD\r\n", 1, "neither FN nor N"},
      {card + "N:;;;;\r\nEND:VCARD\r\n", 1, "neither FN nor N"},
      {card + "FN:Ann\r\nNOTE;CHARSET=utf-8:\xC3\x28\r\nEND:VCARD\r\n", 4, "UTF-8"},
      {card + "FN:Ann\r\nNOTE;CHARSET=UTF-8:\xE9t\xE9\r\nEND:VCARD\r\n", 4, "UTF-8"},
      {card + "FN:Ann\r\nNOTE;CHARSET=X-NONE:x\r\nEND:VCARD\r\n", 4, "unknown character set X-NONE"},
      {card + "FN:Ann\r\nNOTE;CHARSET=UTF-8//IGNORE:x\r\nEND:VCARD\r\n", 4, "character set"},
      {card + "FN:Ann\r\nNOTE;CHARSET=SHIFT_JIS:\x82\r\nEND:VCARD\r\n", 4, "not in the character set"},
      {card + "FN:" + std::string(1 << 20, 'x') + "\r\nEND:VCARD\r\n", 3, "bytes"},
      {card + "FN:Ann\r\nNOTE without colon\r\nEND:VCARD\r\n", 4, "\":\""},
      {"\xEF\xBB\xBFhello\r\n" + card, 1, "outside a card"},
      {"", 1, "no card"},
      {"\r\n\r\n", 1, "no card"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    try {
      importAll(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

TEST(VCardImport, NamesLoseControlCharactersAndBlanksAtTheEnds) {
  const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
  const struct {
    std::string properties;
    const char* name;  // nullptr: refused as a card without a name
  } cases[] = {
      {"FN:     x\r\n", "x"},
      {"FN:" + std::string(40, ' ') + "x \r\n", "x"},
      {"FN:a\\n\tb\x01"
       "c\x7F\r\n",
       "a  b c"},
      {"FN:" + std::string(3, '\0') + "\r\nN:Doe;Jane\r\n", "Doe, Jane"},
      {"N:\x02 ;Jane\r\n", "Jane"},
      {"FN:" + std::string(3, '\0') + "\r\n", nullptr},
      {"FN:\t \x1F\r\nN:;\\n\r\n", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.properties);
    const std::string file = "\r\n" + card + c.properties + "END:VCARD\r\n";
    if (c.name) {
      EXPECT_EQ(importAll(file).at(0).entry.name, c.name);
      continue;
    }
    try {
      importAll(file);
      ADD_FAILURE() << "accepted";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.line(), 2u) << e.what();
    }
  }
}

// A linear reader takes well under a second for each; a quadratic one
// (rescanning the line at every soft break) minutes.
TEST(VCardImport, ManySoftBreaksAreJoinedInLinearTime) {
  std::string softBreaks, encoded;
  for (int i = 0; i < 400'000; ++i) softBreaks += "=\r\n";
  for (int i = 0; i < 80'000; ++i) encoded += "=41=\r\n";
  const std::string card = "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\n";
  // A quote left open hides the ":": not a quoted-printable line, refused.
  EXPECT_THROW(importAll(card + "NOTE;X=\"QUOTED-PRINTABLE:" + softBreaks + "END:VCARD\r\n"), ReadError);
  const auto entries = importAll(card + "NOTE;ENCODING=QUOTED-PRINTABLE:" + encoded + "\r\nEND:VCARD\r\n");
  EXPECT_EQ(entries.at(0).entry.memo, std::string(80'000, 'A'));
}

TEST(VCardImport, ItemsTheNotesHoldAreNotRepeatedAndPhotosAreSkipped) {
  const std::string photo(10 << 20, 'A');
  const std::string file =
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nTEL:555-1234\r\nTEL:+49 30 1234\r\n"
      "EMAIL:ann@example.com\r\nPHOTO;ENCODING=b;TYPE=JPEG:" +
      photo + "\r\nNOTE:call 555-1234 evenings\r\nEND:VCARD\r\n";
  const auto entries = importAll(file);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].entry.memo, "Phone: +49 30 1234\r\nEmail: ann@example.com\r\ncall 555-1234 evenings");
}

TEST(VCardExport, RoundTripKeepsNameAndMemoByteForByte) {
  const book::Entry entries[] = {
      {"Ann", ""},
      {"Pizza 555-1234", "open late"},
      {"Smith, Bob", "Phone: (206)555-1234\r\nEmail: bob@example.com\r\nWebSite: http://example.com/a,b;c\r\n"},
      {"Caf\xE9 \x80uro", "back\\slash, comma; semi\r\nwww.example.org and ftp://x.example 555-0000-1111\r\n\r\n"},
      {"Lead", std::string(40, '\xE9') + " b@x.org c@y.org\r\n" + std::string(300, 'z')},
      // An item the rules cut out of its context ("x@y1," before ". ") but
      // would not find on a line of its own.
      {"Dee", "Address: 1 Main, type=a:x@y1, U.S.A."},
  };
  std::string file;
  for (const book::Entry& e : entries) appendCard(file, e, CodePage());
  std::size_t start = 0;
  while (start < file.size()) {  // every line folded within 75 octets, never inside a character
    const std::size_t end = file.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - start, kFoldWidth);
    EXPECT_NE(static_cast<unsigned char>(file[start]) & 0xC0, 0x80u);
    start = end + 2;
  }
  const auto back = importAll(file);
  ASSERT_EQ(back.size(), std::size(entries));
  for (std::size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].entry.name, entries[i].name);
    EXPECT_EQ(back[i].entry.memo, entries[i].memo);
    EXPECT_EQ(back[i].replaced, 0u);
  }
  EXPECT_NE(file.find("TEL:(206)555-1234\r\n"), std::string::npos);
  EXPECT_NE(file.find("FN:Caf\xC3\xA9 \xE2\x82\xACuro\r\n"), std::string::npos);
}

// Numbers go out whole: an imported item line as it was with its types,
// international numbers typed by hand, and nothing from addresses, dates
// or numbers without a country code, nor a phone line without a number.
TEST(VCardExport, PhonesGoOutWholeAndOnlyWhereTheyAre) {
  const book::Entry entry{
      "Frank", lines({"Phone (work,voice): +46-8-555-0104", "Call +1-919-676-9515 or +49 1234 56789",
                      "Address: 6544 Battleford Drive, Raleigh, NC, 27613-3502", "Anniversary: 20090808T1430-0500",
                      "desk 555-1234, order 0012345678", "Berlin office 0049 30 901820", "Phone: after six",
                      "Email (home): f@example.com"})};
  std::string file;
  appendCard(file, entry, CodePage());
  std::vector<std::string> tels;
  for (std::size_t at = file.find("\r\nTEL"); at != std::string::npos; at = file.find("\r\nTEL", at + 2))
    tels.push_back(file.substr(at + 2, file.find("\r\n", at + 2) - at - 2));
  EXPECT_EQ(tels, (std::vector<std::string>{"TEL;TYPE=work,voice:+46-8-555-0104", "TEL:+1-919-676-9515",
                                            "TEL:+49 1234 56789", "TEL:0049 30 901820"}));
  EXPECT_NE(file.find("\r\nEMAIL;TYPE=home:f@example.com\r\n"), std::string::npos);
  const auto back = importAll(file);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].entry.memo, entry.memo);
}

}  // namespace
}  // namespace exchange
