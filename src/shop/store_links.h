#pragma once

// The shop categories along the bottom of the main window and the store
// address each of them opens. Plain data and string building, no widgets.

#include <QString>
#include <QStringList>

namespace shop {

// The store's base address (scheme and host, no trailing slash) and the
// affiliate tag that every address carries.
inline constexpr const char* kStoreBase = "https://www.kestrane-store.com";
inline constexpr const char* kAffiliateTag = "kestrane-20";

// The twelve category captions, in the order the radio group lists them.
const QStringList& storeCategoryNames();

// The address opened for the category at `index` (0 to 11), built by plain
// concatenation; an empty string for an index outside that range.
QString storeLinkAddress(int index);

}  // namespace shop
