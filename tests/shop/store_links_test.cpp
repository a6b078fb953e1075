#include "shop/store_links.h"

#include <gtest/gtest.h>

namespace {

struct Expected {
  int index;
  const char* name;
  const char* address;
};

// Written out in full so that a slip in the shared suffix or in a category
// number shows up as a difference here.
const Expected kAll[] = {
    {0, "Music",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=301668&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {1, "Video",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=130&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {2, "Books",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=1000&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {3, "Gift Cards",
     "https://www.kestrane-store.com/dp/B00067L6TQ/ref=nosim/?%5Fencoding=UTF8&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {4, "Cameras",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=13900861&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {5, "Electronics",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=172282&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {6, "Grocery",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=16310101&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {7, "Apparel",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=51569011&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {8, "ToysGames",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=165793011&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {9, "Software",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=229534&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
    {10, "Houseware",
     "https://www.kestrane-store.com/exec/obidos/redirect?link_code=ur2&tag=kestrane-20&camp=1789&creative=9325&path=tg%2Fnew-for-you%2Ftop-sellers%2F-%2Fkitchen%2Fall%2Fref%3Dpd_ts_h"},
    {11, "Hardware",
     "https://www.kestrane-store.com/b?%5Fencoding=UTF8&node=228013&tag=kestrane-20&linkCode=ur2&camp=1789&creative=9325"},
};

TEST(StoreLinks, EveryCategoryOpensItsExactAddress) {
  ASSERT_EQ(shop::storeCategoryNames().size(), 12);
  for (const Expected& e : kAll) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(shop::storeCategoryNames()[e.index], QString::fromLatin1(e.name));
    EXPECT_EQ(shop::storeLinkAddress(e.index), QString::fromLatin1(e.address));
  }
}

TEST(StoreLinks, AddressesAreBuiltFromTheTwoConstants) {
  for (int i = 0; i < 12; ++i) {
    const QString address = shop::storeLinkAddress(i);
    EXPECT_TRUE(address.startsWith(QString::fromLatin1(shop::kStoreBase) + "/")) << i;
    EXPECT_TRUE(address.contains(QStringLiteral("tag=") + shop::kAffiliateTag)) << i;
    EXPECT_EQ(address.count('?'), 1) << i;
  }
}

TEST(StoreLinks, IndexOutsideTheGroupGivesNoAddress) {
  EXPECT_TRUE(shop::storeLinkAddress(-1).isEmpty());
  EXPECT_TRUE(shop::storeLinkAddress(12).isEmpty());
}

}  // namespace
