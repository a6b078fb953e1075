// The order in which an entry's texts are searched, the memo's own lines,
// and input that must neither crash nor invent an item.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "book/contact_items.h"
#include "book/finding_rules.h"
#include "book/memo_lines.h"

namespace book {
namespace {

using Items = std::vector<std::string>;

TEST(ContactItems, NameFirstThenLinesEmailLastToFirst) {
  const std::vector<std::string_view> lines = {"555-2222 a@x.com", "www.a.com b@x.com", "555-3333 555-4444",
                                               "http://b.org d@x.com"};
  EXPECT_EQ(collectItems(ItemKind::Phone, "Acme 555-1111", lines),
            (Items{"555-1111", "555-2222", "555-4444", "555-3333"}));
  EXPECT_EQ(collectItems(ItemKind::Email, "Desk: c@x.com", lines), (Items{"c@x.com", "d@x.com", "b@x.com", "a@x.com"}));
  EXPECT_EQ(collectItems(ItemKind::Web, "www.name.com", lines), (Items{"www.name.com", "www.a.com", "http://b.org"}));
}

TEST(ContactItems, MemoOwnLines) {
  const std::vector<std::pair<std::string, std::vector<std::string_view>>> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"\n\n", {"", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {std::string("a\0b\nc", 5), {std::string_view("a\0b", 3), "c"}},
  };
  for (const auto& [memo, lines] : cases) EXPECT_EQ(memoLines(memo), lines) << memo;
  EXPECT_EQ(memoLines(std::u16string_view(u"a\r\nb\rc")), (std::vector<std::u16string_view>{u"a", u"b", u"c"}));

  const std::string memo = "555-1111\r\nwww.a.com\rb@x.com\nc@x.com (206)555-2222\r\n";
  EXPECT_EQ(collectEntryItems(ItemKind::Email, "", memo), (Items{"c@x.com", "b@x.com"}));
  EXPECT_EQ(collectEntryItems(ItemKind::Phone, "", memo), (Items{"555-1111", "206-555-2222"}));
  EXPECT_EQ(collectEntryItems(ItemKind::Web, u"", u"x\rwww.a.com"), (std::vector<std::u16string>{u"www.a.com"}));
}

// Each item must be what its rule can produce: a dash with four digits
// after it in a phone number, an "@" in an e-mail address, a pattern at the
// start of a web address, and never a blank or a line break.
void expectPlausible(ItemKind kind, const std::string& item) {
  ASSERT_FALSE(item.empty());
  ASSERT_LE(item.size(), 255u);
  EXPECT_EQ(item.find_first_of(kind == ItemKind::Phone ? "\r\n" : " \r\n"), std::string::npos) << item;
  switch (kind) {
    case ItemKind::Phone: {
      bool number = false;
      for (std::size_t dash = 0; dash < item.size(); ++dash) number = number || IsPhoneAt(item, dash);
      EXPECT_TRUE(item.size() <= 12 && number) << item;
      break;
    }
    case ItemKind::Email: EXPECT_NE(item.find('@'), std::string::npos) << item; break;
    case ItemKind::Web: {
      const std::string upper = [&] {
        std::string u = item.substr(0, 8);
        for (char& c : u) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        return u;
      }();
      EXPECT_TRUE(upper.starts_with("FTP://") || upper.starts_with("HTTP://") || upper.starts_with("HTTPS://") ||
                  upper.starts_with("WWW."))
          << item;
      break;
    }
  }
}

TEST(ContactItems, BadInputNeitherCrashesNorInvents) {
  // A 70 KB memo from an alphabet rich in the rules' characters, with zero
  // bytes, high bytes and every kind of line break.
  std::string alphabet = "01234567890123456789---()@@..:; wWhHtTpPfFsS/\r\n\x80\xB2\xE9\xFF";
  alphabet += '\0';
  std::mt19937 random(8);
  std::string memo(70 * 1024, ' ');
  for (char& c : memo) c = alphabet[random() % alphabet.size()];
  std::size_t found = 0;
  for (const ItemKind kind : {ItemKind::Phone, ItemKind::Email, ItemKind::Web}) {
    for (const std::string& item : collectEntryItems(kind, "", memo)) {
      expectPlausible(kind, item);
      ++found;
    }
    EXPECT_TRUE(collectEntryItems(kind, "", "").empty());
    EXPECT_TRUE(collectEntryItems(kind, "", std::string(3, '\0')).empty());
  }
  EXPECT_GT(found, 10u);

  const std::string longLine(100000, 'x');
  for (const ItemKind kind : {ItemKind::Phone, ItemKind::Email, ItemKind::Web})
    EXPECT_TRUE(collectEntryItems(kind, "", longLine + "@" + longLine + "." + longLine).empty());
  std::string numbers;
  while (numbers.size() < 100000) numbers += "555-1234 ";
  EXPECT_EQ(collectEntryItems(ItemKind::Phone, "", numbers).size(), numbers.size() / 9);
}

}  // namespace
}  // namespace book
