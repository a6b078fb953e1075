#pragma once

// A card another program wrote, brought up to an entry edited here without
// losing what the entry does not hold. Only the properties the entry maps
// are written anew:
//
// - FN and N from NAME ("Family, Given" gives N:Family;Given;;;), unless
//   the card's own name still reads as NAME through the table's code page:
//   then the card keeps them, so a letter the table cannot hold ("Jiří" as
//   "Ji?í") is not lost.
// - TEL, EMAIL and URL from the entry's items (entry_items.h), where the
//   first of their kind stood (at the end when the card had none); an item
//   the card already had with the same types keeps its line as it was.
// - NOTE from the memo lines that no property of the card gives back on
//   reading (item lines and the labelled lines of ADR, ORG, BDAY, ...
//   left out), where the first NOTE stood (at the end when it had none).
//
// Every other line (VERSION, UID, PHOTO, ADR, BDAY, ORG, CATEGORIES, X-
// and unknown properties) is kept byte for byte with its parameters and
// folding, its line breaks as CR LF. Reading the result gives the entry's
// memo again as long as its lines stand in the order the card gives them.

#include <string>
#include <string_view>

#include "book/entry.h"
#include "exchange/code_page.h"

namespace exchange {

// The card `kept` (one vCard) with the entry's properties in it; a UID
// line with `uid` after VERSION when the card has none and `uid` is not
// empty. Throws ReadError when `kept` is not one readable card.
std::string mergeCard(std::string_view kept, const book::Entry& entry, const CodePage& codePage, std::string_view uid);

}  // namespace exchange
