#pragma once

// Cards to entries and entries to cards, by the rule of contact_draft.h.
//
// Import: NAME from FN, else from N as "Family, Given". The memo takes, in
// the card's order: TEL, EMAIL and URL as contact items; ADR as
// "Address: street, locality, region, code, country"; ORG as
// "Organisation: ..."; TITLE, ROLE, NICKNAME, BDAY and ANNIVERSARY as
// labelled lines; NOTE as it is. Everything else (photos, keys, UID, REV,
// extensions) is left out.
//
// Export (vCard 4.0): FN from NAME, NOTE holding the memo, then TEL, EMAIL
// and URL for every item the contact rules find in NAME and memo. Reading
// such a card back gives the same NAME and memo.

#include <string>
#include <string_view>

#include "exchange/code_page.h"
#include "exchange/contact_draft.h"
#include "exchange/vcard_reader.h"

namespace exchange {

// ReadError at the card's line when it has neither FN nor N.
ContactDraft draftFromCard(const Card& card);

ImportedEntry entryFromCard(const Card& card, const CodePage& codePage);

// Appends the card of `entry`, with the UID `uid` after VERSION unless it
// is empty.
void appendCard(std::string& out, const book::Entry& entry, const CodePage& codePage, std::string_view uid = {});

}  // namespace exchange
