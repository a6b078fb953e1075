// Text conversion at the table's edge, the search's decisions and the date
// format: pure functions, no table.
#include <gtest/gtest.h>

#include "store/ansi_text.h"
#include "store/engine_settings.h"
#include "store/search_filter.h"
#include "xbase/dbf_text.h"

namespace {

TEST(AnsiText, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(store::toAnsi(store::fromAnsi(all)), all);
}

TEST(AnsiText, WindowsCharactersMapBothWays) {
  struct Case {
    char byte;
    char16_t unicode;
  };
  for (const Case c : {Case{'\x80', u'\u20ac'}, Case{'\x93', u'\u201c'}, Case{'\x9f', u'\u0178'},
                       Case{'\xe9', u'\u00e9'}, Case{'\x81', u'\u0081'}}) {
    EXPECT_EQ(store::fromAnsi(std::string(1, c.byte)), QString(QChar(c.unicode)));
    EXPECT_EQ(store::toAnsi(QString(QChar(c.unicode))), std::string(1, c.byte));
  }
  // Not representable: one '?' per character, also outside the BMP.
  EXPECT_EQ(store::toAnsi(QString::fromUtf8("a\u0416b\U0001F600c")), "a?b?c");
}

TEST(AnsiText, ConvertsWithTheTablesCodePage) {
  const codepage::CodePage central = *codepage::CodePage::fromNumber(1250);
  const QString name = QString::fromUtf8("\u0141\u00f3d\u017a \u20ac");
  EXPECT_EQ(store::toAnsi(name, central),
            "\xa3\xf3"
            "d\x9f \x80");
  EXPECT_EQ(store::fromAnsi("\xa3\xf3"
                            "d\x9f \x80",
                            central),
            name);
  EXPECT_EQ(store::firstUnstorable(name, central), std::nullopt);
  EXPECT_EQ(store::firstUnstorable(name, {}), U'\u0141');
  EXPECT_EQ(store::firstUnstorable(QString::fromUtf8("ok \U0001F600 \u65e5"), {}), U'\U0001F600');

  // The search compares in the table's bytes.
  store::SearchFilter search;
  search.setCodePage(central);
  search.setText(QString::fromUtf8("\u0142\u00f3d"));
  EXPECT_EQ(search.expression(), QString::fromUtf8("\"\u0142\u00f3D\"$upper(Name)"));
}

TEST(AnsiText, UpperCasingTouchesOnlyAToZ) {
  EXPECT_EQ(xbase::asciiUpper(std::string("smith-\xe9\xdf{z}")), "SMITH-\xe9\xdf{Z}");
  EXPECT_EQ(store::upperAscii(QString::fromUtf8("m\u00fcller")), QString::fromUtf8("M\u00fcLLER"));
}

TEST(SearchFilter, NameOnlySearchIsTheEnginesExpression) {
  store::SearchFilter search;
  search.setText("smi");
  EXPECT_EQ(search.text(), "SMI");
  EXPECT_EQ(search.expression(), "\"SMI\"$upper(Name)");
  EXPECT_TRUE(search.accepts("Jones", [] { return std::string("smith"); }));  // engine decided

  search.setText("say \"hi\"");
  EXPECT_EQ(search.expression(), "'SAY \"HI\"'$upper(Name)");

  search.setIncludeMemo(true);
  EXPECT_EQ(search.expression(), "");
}

TEST(SearchFilter, PerRecordTest) {
  struct Case {
    const char* text;
    bool includeMemo;
    std::string name;
    std::string memo;
    bool accepted;
  };
  const Case cases[] = {
      {"smi", true, "Osmium Ltd", "", true},
      {"smi", true, "Jones", "met smith", true},
      {"smi", true, "Jones", "nothing", false},
      {"smi", true, "Brown", std::string("x\0smith", 7), false},  // ends at a zero byte
      {"\"q']", false, "say \"Q'] twice", "", true},              // no literal spells it: decided here
      {"\"q']", false, "Jones", "\"q']", false},                  // ... on the name only
      {"\xc3\xa9t\xc3\xa9", true, "Ete", "\xe9T\xe9", true},      // \xe9 stays \xe9
  };
  for (const Case& c : cases) {
    store::SearchFilter search;
    search.setText(QString::fromUtf8(c.text));
    search.setIncludeMemo(c.includeMemo);
    bool memoRead = false;
    const bool accepted = search.accepts(c.name, [&] {
      memoRead = true;
      return c.memo;
    });
    EXPECT_EQ(accepted, c.accepted) << c.text << " / " << c.name;
    if (book::containsUpper(c.name, store::toAnsi(search.text()))) {
      EXPECT_FALSE(memoRead) << "memo read although the name matched: " << c.name;
    }
  }
}

TEST(SearchFilter, CaseBlindSearchFindsEveryPlace) {
  struct Case {
    std::string haystack;
    const char* needle;  // upper-cased, as the rule keeps it
    bool found;
  };
  const Case cases[] = {
      {"smith", "SMI", true},
      {"xxSmI", "SMI", true},  // at the start, at the end
      {"aaab", "AAB", true},
      {"abab abac", "ABAC", true},  // a partial match before the real one
      {"sm", "SMI", false},
      {"", "", true},  // shorter than the needle; empty needle
      {"s mi", "SMI", false},
      {"\xe9t\xc9", "\xc9T\xc9", false},  // only a to z fold
      {"1\xe9t\xe9", "\xe9T\xe9", true},
      {std::string("ab\0smi", 6), "SMI", false},
      {"zZ{[", "Z{", true},
      {"`@", "@", true},  // bytes around the letters
  };
  for (const Case& c : cases)
    EXPECT_EQ(book::containsUpper(c.haystack, c.needle), c.found) << c.haystack << " / " << c.needle;
  // Long texts are searched eight places at a time: the text at every place
  // among near misses (one byte off, or a case folded that must not fold).
  struct Long {
    const char* needle;
    const char* word;
    const char* nearMisses;
  };
  for (const Long& l :
       {Long{"SMI", "sMi", "SMj smh"}, Long{"S", "s", "r\xD3"}, Long{"@\xC9Z", "@\xC9z", "`\xC9Z@\xE9Z@\xC9"}}) {
    const std::string word = l.word;
    for (std::size_t at = 0; at + word.size() <= 40; ++at) {
      std::string text;
      while (text.size() < 40) text += l.nearMisses;
      text.resize(40);
      EXPECT_FALSE(book::containsUpper(text, l.needle)) << text;
      text.replace(at, word.size(), word);
      EXPECT_TRUE(book::containsUpper(text, l.needle)) << text << " / " << l.needle;
      text[at] = '\0';  // the search stops there
      EXPECT_FALSE(book::containsUpper(text, l.needle)) << at;
    }
  }
}

TEST(EngineSettings, DatesReadAndWriteInTheEngineFormat) {
  const store::EngineSettings settings;
  EXPECT_EQ(settings.formatDate(QDate(2026, 3, 7)), "03/07/26");
  EXPECT_EQ(settings.formatDate(QDate()), "");
  EXPECT_EQ(settings.parseDate("03/07/26"), QDate(2026, 3, 7));
  EXPECT_EQ(settings.parseDate("12/31/49"), QDate(2049, 12, 31));
  EXPECT_EQ(settings.parseDate("01/01/50"), QDate(1950, 1, 1));
  EXPECT_FALSE(settings.parseDate("2026-03-07").isValid());
}

}  // namespace
