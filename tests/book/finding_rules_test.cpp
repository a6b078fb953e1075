// The finding rules, one table per kind. Every case runs on single-byte
// text and on the same text widened to UTF-16, so the two stay alike.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/contact_items.h"
#include "book/finding_rules.h"

namespace book {
namespace {

struct Case {
  std::string text;
  std::vector<std::string> items;
};

std::u16string widen(const std::string& bytes) {
  std::u16string wide;
  for (const char c : bytes) wide.push_back(static_cast<unsigned char>(c));
  return wide;
}

// The items of `text` taken as a NAME value without memo, both widths.
void expectItems(ItemKind kind, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(collectItems(kind, c.text, {}), c.items) << c.text;
    std::vector<std::u16string> wide;
    for (const std::string& item : c.items) wide.push_back(widen(item));
    EXPECT_EQ(collectItems(kind, std::u16string_view(widen(c.text)), {}), wide) << c.text;
  }
}

TEST(FindingRules, PhoneNumbers) {
  expectItems(ItemKind::Phone, {
                                   {"Acme 555-1234", {"555-1234"}},
                                   {"555-1234 or 555-9876", {"555-9876", "555-1234"}},  // right to left
                                   {"206-555-1234", {"206-555-1234"}},
                                   {"(206)555-1234", {"206-555-1234"}},
                                   {"(206) 555-1234", {"555-1234"}},
                                   {"1-206-555-1234", {"206-555-1234"}},
                                   {"abc-555-1234", {"abc-555-1234"}},  // the area code is not checked
                                   {"1)555-1234 x", {"1-555-1234 x"}},  // 12 characters from the first one
                                   {")555-1234", {"-555-1234"}},
                                   {"123-4567-8901", {"567-8901", "123-4567"}},          // goes on 5 places left
                                   {"111-2222-333-4444", {"222-333-4444", "111-2222"}},  // goes on 9 places left
                                   {"555-1234", {"555-1234"}},
                                   {"55-1234", {}},
                                   {"555-123", {}},
                                   {"555.1234 5551234 555 1234", {}},
                                   {"\xB2\xB3\xB9-1234", {}},  // superscript digits are not digits
                               });
}

TEST(FindingRules, PhoneSteps) {
  const std::string text = "x(206)555-1234";
  EXPECT_TRUE(IsPhoneAt(text, 9));
  EXPECT_FALSE(IsPhoneAt(text, 8));
  EXPECT_FALSE(IsPhoneAt(std::string_view("55-12345"), 2));  // before the text
  EXPECT_FALSE(IsPhoneAt(std::string_view("555-1234"), 100));
  EXPECT_EQ(ExtractPhone(text, 9), "206-555-1234");
  EXPECT_EQ(text, "x(206)555-1234");
  EXPECT_EQ(ExtractPhone(text, 1), "");
}

TEST(FindingRules, EmailAddresses) {
  const std::string dots98(98, 'x');
  const std::string local250(250, 'a');
  expectItems(ItemKind::Email, {
                                   {"john@example.com", {"john@example.com"}},
                                   {"Email: john@example.com", {"john@example.com"}},
                                   {"mail;a@x.com", {"a@x.com"}},
                                   {"a@x.com, b@y.com", {"a@x.com,"}},  // first address, comma kept
                                   {"<a@x.com>", {"<a@x.com>"}},
                                   {"no dot@here; real@example.com", {"dot@here;"}},  // the first "@" only
                                   {"a@b c.d", {"a@b"}},
                                   {"a@localhost", {}},
                                   {"a@" + dots98 + ".", {"a@" + dots98 + "."}},  // "." as the 99th character
                                   {"a@" + dots98 + "x.", {}},                    // "." as the 100th
                                   {local250 + "@x.com", {local250 + "@x.co"}},   // 255 characters
                                   {local250 + "aaaaa@x.com", {}},                // the "@" beyond them
                                   {"@example.com", {}},
                                   {"mail @example.com", {}},
                               });
}

TEST(FindingRules, WebAddresses) {
  const std::string long300 = "http://" + std::string(300, 'x');
  expectItems(ItemKind::Web, {
                                 {"see www.example.com/a b", {"www.example.com/a"}},
                                 {"www.a.com http://b.com", {"http://b.com"}},  // pattern before position
                                 {"www.b.com https://a.com", {"https://a.com"}},
                                 {"http://h.org ftp://f.org", {"ftp://f.org"}},
                                 {"HTTP://WWW.A.COM", {"HTTP://WWW.A.COM"}},
                                 {"Ftp://x", {"Ftp://x"}},
                                 {"http:/x.com wwwx.com", {}},
                                 {long300, {long300.substr(0, 255)}},
                             });
}

}  // namespace
}  // namespace book
