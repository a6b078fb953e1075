// Fuzzes the rules that find contact items: the input is an entry, its
// first 30 bytes the NAME and the rest the memo, searched for every kind as
// single-byte and as UTF-16 text. No item may be empty or longer than its
// rule allows, and both widths must find the same items.

#include <cstdint>
#include <string>
#include <string_view>

#include "book/contact_items.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view entry(reinterpret_cast<const char*>(data), size);
  const std::string_view name = entry.substr(0, 30);
  const std::string_view memo = entry.substr(name.size());
  const std::u16string wideEntry(entry.begin(), entry.end());
  const std::u16string_view wide(wideEntry);
  for (const auto kind : {book::ItemKind::Phone, book::ItemKind::Email, book::ItemKind::Web}) {
    const auto items = book::collectEntryItems(kind, name, memo);
    const auto wideItems = book::collectEntryItems(kind, wide.substr(0, name.size()), wide.substr(name.size()));
    if (items.size() != wideItems.size()) __builtin_trap();
    const std::size_t longest = kind == book::ItemKind::Phone ? 12 : 255;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].empty() || items[i].size() > longest || items[i].size() != wideItems[i].size()) __builtin_trap();
    }
  }
  return 0;
}
