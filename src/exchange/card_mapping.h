#pragma once

// Cards to entries and entries to cards, by the rule of contact_draft.h.
//
// Import: NAME from FN, else from N as "Family, Given". The memo takes, in
// the card's order: TEL, EMAIL and URL as contact items; ADR as
// "Address: street, locality, region, code, country"; ORG as
// "Organisation: ..."; TITLE, ROLE, NICKNAME, BDAY and ANNIVERSARY as
// labelled lines; NOTE as it is. Everything else (photos, keys, UID, REV,
// extensions) is left out. The types of TEL, EMAIL and URL go into their
// lines' labels ("Phone (cell): ...").
//
// Export (vCard 4.0): FN from NAME, NOTE holding the memo, then TEL, EMAIL
// and URL for every item of NAME and memo (entry_items.h), with their
// types. Reading such a card back gives the same NAME and memo.

#include <optional>
#include <string>
#include <string_view>

#include "exchange/code_page.h"
#include "exchange/contact_draft.h"
#include "exchange/entry_items.h"
#include "exchange/vcard_reader.h"

namespace exchange {

// ReadError at the card's line when it has neither FN nor N.
ContactDraft draftFromCard(const Card& card);

ImportedEntry entryFromCard(const Card& card, const CodePage& codePage);

// The kind of item a TEL, EMAIL or URL property holds; nullopt for others.
std::optional<book::ItemKind> itemKindOf(std::string_view property);
// Its value as an item: unescaped, a TEL without "tel:".
std::string itemValue(const Property& p);
// Its TYPE parameters in lower case, joined by ",": "cell,voice".
std::string itemTypes(const Property& p);
// Appends the TEL, EMAIL or URL line of `item`.
void appendItem(std::string& out, const EntryItem& item);

// Appends the card of `entry`, with the UID `uid` after VERSION unless it
// is empty.
void appendCard(std::string& out, const book::Entry& entry, const CodePage& codePage, std::string_view uid = {});

}  // namespace exchange
