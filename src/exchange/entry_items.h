#pragma once

// The contact items an entry gives an exported card (TEL, EMAIL and URL of
// a vCard, the CSV's columns), whole and as written:
//
// - A memo line that an import wrote for a contact item, "Phone: ...",
//   "Email: ..." or "WebSite: ...", its label maybe naming the item's types
//   ("Phone (cell,work): ..."), gives that item: the rest of the line as it
//   stands, with those types (a phone number with a digit in it, an e-mail
//   address with an "@").
// - Every other line and the name are text typed by hand. E-mail and web
//   addresses are found there by the finding rules. Phone numbers only in
//   their international form, by a phone-number parser: a number written
//   with "+" (possible for its country), or with "00" (valid for its
//   country, since account and order numbers start with 00 too). The table
//   knows no country of an entry, so a number without its country code has
//   no region to be read in; reading one with a guessed region would take
//   postcodes ("27613-3502"), dates and times ("20090808T1430-0500") and
//   account numbers for phone numbers.
// - Lines the import writes for an address, a date or a note ("Address:",
//   "Birthday:", "Anniversary:", "Notes:", CSV columns naming a street, a
//   postcode or a date) give no item at all.
//
// The chooser's dial rules (book/finding_rules.h) are not these: they find
// what a user can dial from the window.

#include <string>
#include <string_view>
#include <vector>

#include "book/item_kind.h"

namespace exchange {

struct EntryItem {
  book::ItemKind kind;
  std::string type;  // "cell" or "work,voice" as the TYPE parameter; "" for none
  std::string value;
};

// The label of an item's memo line: "Phone", or "Phone (cell)" with types.
std::string itemLabel(book::ItemKind kind, std::string_view type);

// The item of a memo line an import wrote ("Phone (cell): +1 555 0100");
// false for any other line.
bool readItemLine(std::string_view line, EntryItem& item);

// The items of the entry `name` and `memo` (UTF-8), by kind (phones, then
// e-mail, then web addresses), each kind in the order the text holds them,
// an item repeated in the same kind given once.
std::vector<EntryItem> entryItems(std::string_view name, std::string_view memo);

}  // namespace exchange
