// The duplicate finder: which names, numbers and addresses meet, and how
// matches join into groups.

#include <gtest/gtest.h>

#include "book/duplicate_finder.h"

namespace book {
namespace {

TEST(DuplicateFinder, NamesFoldCaseBlanksPunctuationOrderAndSuffixes) {
  const struct {
    const char* a;
    const char* b;
    bool meet;
  } cases[] = {
      {"Ann Smith", "Smith, Ann", true},
      {"ann  smith", "ANN SMITH", true},
      {"O'Brien, Sean", "Sean OBrien", true},
      {"Ann Smith (2)", "Ann Smith", true},
      {"Ann Smith (server)", "Smith, Ann (12)", true},
      {"ANN SMITH (SERVER) (2)", "Ann Smith", true},
      {"M\xFCller, J\xF6rg", "J\xF6rg M\xFCller", true},
      {"Ann Smith (x)", "Ann Smith", false},  // only numbers and "server" are suffixes
      {"Ann Smithers", "Ann Smith", false},
      {"Smith Ann", "Ann Smith", false},  // turned around only at a comma
  };
  for (const auto& c : cases) EXPECT_EQ(foldedName(c.a) == foldedName(c.b), c.meet) << c.a << " / " << c.b;
  EXPECT_EQ(foldedName("-- (2)"), "");
}

TEST(DuplicateFinder, PhonesMeetByTheirDigitsAndAddressesWithoutCase) {
  EXPECT_EQ(phoneDigits("(206) 555-1234"), "2065551234");
  EXPECT_EQ(phoneDigits("+1 206 555 1234"), "2065551234");
  EXPECT_EQ(phoneDigits("555-1234"), "5551234");  // does not meet 206-555-1234
  EXPECT_EQ(phoneDigits("12-34"), "");
  EXPECT_EQ(foldedEmail("<Ann.Smith@Example.COM>."), "ann.smith@example.com");

  DuplicateFinder finder;
  finder.add(1, "Ann", "Phone: (206) 555-1234");
  finder.add(2, "Bob", "call 206-555-1234 after 5");
  finder.add(3, "Cy", "Mobile +1 206 555 1234");
  finder.add(4, "Dee", "555-1234\r\nE-mail: DEE@example.com");
  finder.add(5, "Eve", "mail: dee@EXAMPLE.com\r\nmail: dee@example.com");  // written twice, still one link
  finder.add(6, "Flo", "Fax (425) 555-1234");
  const std::vector<DuplicateGroup> groups = finder.groups();
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].recnos, (std::vector<std::uint32_t>{1, 2, 3}));
  EXPECT_EQ(groups[0].reasons.size(), 2u);
  EXPECT_EQ(groups[0].reasons[0].kind, MatchKind::Phone);
  EXPECT_EQ(groups[0].reasons[0].key, "2065551234");
  EXPECT_EQ(groups[1].recnos, (std::vector<std::uint32_t>{4, 5}));
  ASSERT_EQ(groups[1].reasons.size(), 1u);
  EXPECT_EQ(groups[1].reasons[0].key, "dee@example.com");
}

// A chain of matches of different kinds is one group, and a number many
// entries share (a switchboard) links none of them.
TEST(DuplicateFinder, LinkedEntriesFormOneGroupAndCrowdedNumbersLinkNothing) {
  DuplicateFinder finder;
  finder.add(7, "Smith, Ann", "");
  finder.add(3, "Ann Smith (2)", "ann@example.com");
  finder.add(9, "A. Smith", "ANN@example.com");
  for (std::uint32_t i = 0; i <= DuplicateFinder::kCrowdedKey; ++i)
    finder.add(100 + i, "Clerk " + std::string(1, static_cast<char>('A' + i)), "Office 206-555-0000");
  const std::vector<DuplicateGroup> groups = finder.groups();
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].recnos, (std::vector<std::uint32_t>{3, 7, 9}));
  ASSERT_EQ(groups[0].reasons.size(), 2u);
  EXPECT_EQ(groups[0].reasons[0].kind, MatchKind::Name);
  EXPECT_EQ(groups[0].reasons[0].first, 7u);
  EXPECT_EQ(groups[0].reasons[1].kind, MatchKind::Email);
}

}  // namespace
}  // namespace book
