#include "shop/store_links.h"

#include <array>

namespace shop {
namespace {

// What a category opens: a browse node, the gift-card product page, or the
// fixed top-sellers address.
enum class Target { Category, GiftCards, TopSellers };

struct StoreCategory {
  const char* name;
  Target target;
  const char* node;  // category number, only for Target::Category
};

constexpr std::array<StoreCategory, 12> kCategories{{
    {"Music", Target::Category, "301668"},
    {"Video", Target::Category, "130"},
    {"Books", Target::Category, "1000"},
    {"Gift Cards", Target::GiftCards, nullptr},
    {"Cameras", Target::Category, "13900861"},
    {"Electronics", Target::Category, "172282"},
    {"Grocery", Target::Category, "16310101"},
    {"Apparel", Target::Category, "51569011"},
    {"ToysGames", Target::Category, "165793011"},
    {"Software", Target::Category, "229534"},
    {"Houseware", Target::TopSellers, nullptr},
    {"Hardware", Target::Category, "228013"},
}};

// The referral suffix of category and product addresses.
QString tagSuffix() {
  return QStringLiteral("&tag=") + kAffiliateTag + QStringLiteral("&linkCode=ur2&camp=1789&creative=9325");
}

}  // namespace

const QStringList& storeCategoryNames() {
  static const QStringList names = [] {
    QStringList list;
    for (const auto& category : kCategories) list << QString::fromLatin1(category.name);
    return list;
  }();
  return names;
}

QString storeLinkAddress(int index) {
  if (index < 0 || index >= static_cast<int>(kCategories.size())) return {};
  const StoreCategory& category = kCategories[static_cast<std::size_t>(index)];
  const QString base = QString::fromLatin1(kStoreBase);
  switch (category.target) {
    case Target::Category: return base + QStringLiteral("/b?%5Fencoding=UTF8&node=") + category.node + tagSuffix();
    case Target::GiftCards:
      // The product path already opens the query, so the tag part follows with "&".
      return base + QStringLiteral("/dp/B00067L6TQ/ref=nosim/?%5Fencoding=UTF8") + tagSuffix();
    case Target::TopSellers:
      return base + QStringLiteral("/exec/obidos/redirect?link_code=ur2&tag=") + kAffiliateTag +
             QStringLiteral(
                 "&camp=1789&creative=9325&path=tg%2Fnew-for-you%2Ftop-sellers%2F-%2Fkitchen%2Fall%2Fref%3Dpd_ts_h");
  }
  return {};
}

}  // namespace shop
