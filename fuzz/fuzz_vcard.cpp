// Fuzzes the vCard reader and the mapping to entries: any input is either
// refused with a ReadError or read, and every entry read goes out as a card
// and comes back with the same NAME and memo. An input of one card is also
// taken as a card the server kept, and an edited entry merged into it.

#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/card_mapping.h"
#include "exchange/card_merge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const exchange::CodePage codePage = exchange::CodePage();
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  try {
    const std::vector<exchange::Card> cards = exchange::readVCards(file);
    if (cards.size() == 1) {
      book::Entry edited = exchange::entryFromCard(cards.front(), codePage).entry;
      edited.memo += "\r\nPhone (cell): +1 555 0100";
      exchange::mergeCard(file, edited, codePage, "uid");
    }
    for (const exchange::Card& card : cards) {
      const book::Entry entry = exchange::entryFromCard(card, codePage).entry;
      std::string out;
      exchange::appendCard(out, entry, codePage);
      const book::Entry back = exchange::entryFromCard(exchange::readVCards(out).at(0), codePage).entry;
      if (back.name != entry.name || back.memo != entry.memo) __builtin_trap();
    }
  } catch (const exchange::ReadError&) {
  }
  return 0;
}
