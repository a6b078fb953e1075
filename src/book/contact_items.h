#pragma once

// The items of one kind that an entry offers, in the order the chooser
// lists them before any sorting: the NAME value first, then the memo lines
// (phone and web first to last, e-mail last to first). Every item found is
// kept, so a number written twice is offered twice.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "book/item_kind.h"

namespace book {

// `lines` are the memo's lines as the caller reads them: the display lines
// of a word-wrapping memo, or the text's own lines (memoLines).
std::vector<std::string> collectItems(ItemKind kind, std::string_view name, std::span<const std::string_view> lines);
std::vector<std::u16string> collectItems(ItemKind kind, std::u16string_view name,
                                         std::span<const std::u16string_view> lines);

// The same over the memo's own lines, as a table stores it.
std::vector<std::string> collectEntryItems(ItemKind kind, std::string_view name, std::string_view memo);
std::vector<std::u16string> collectEntryItems(ItemKind kind, std::u16string_view name, std::u16string_view memo);

}  // namespace book
