#pragma once

// The mapping the sync uses: an entry goes into the card the server last
// had (exchange/card_merge.h), or becomes a vCard 4.0 by the exchange
// writer with the link's UID added, a card becomes an entry by the exchange
// reader, both in the table's code page; a card that went out and came back
// gives the same name and memo.

#include "exchange/code_page.h"
#include "sync/synchronizer.h"

namespace carddav {

// `page` is the code page of the table synced.
CardMapping vcardMapping(const exchange::CodePage& page);

}  // namespace carddav
