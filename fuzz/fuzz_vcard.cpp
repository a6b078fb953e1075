// Fuzzes the vCard reader and the mapping to entries: any input is either
// refused with a ReadError or read, and every entry read goes out as a card
// and comes back with the same NAME and memo.

#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/card_mapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const exchange::CodePage codePage = exchange::CodePage();
  try {
    for (const exchange::Card& card :
         exchange::readVCards(std::string_view(reinterpret_cast<const char*>(data), size))) {
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
