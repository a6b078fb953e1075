#include "sync/card_codec.h"

#include "exchange/card_mapping.h"
#include "exchange/card_merge.h"
#include "exchange/vcard_reader.h"
#include "sync/error.h"

namespace carddav {

namespace {

QByteArray toCard(const Entry& entry, const QString& uid, const QByteArray& kept, const exchange::CodePage& page) {
  if (!kept.isEmpty()) {
    try {
      return QByteArray::fromStdString(
          exchange::mergeCard(std::string_view(kept.constData(), kept.size()), entry, page, uid.toStdString()));
    } catch (const exchange::ReadError&) {  // a card that cannot be read is replaced by one of the entry's own
    }
  }
  std::string card;
  exchange::appendCard(card, entry, page, uid.toStdString());
  return QByteArray::fromStdString(card);
}

ReceivedCard toEntry(const QByteArray& text, const exchange::CodePage& page) {
  const std::vector<exchange::Card> cards = exchange::readVCards(std::string_view(text.constData(), text.size()));
  if (cards.size() != 1) throw Error("a card resource holds " + std::to_string(cards.size()) + " cards");
  ReceivedCard received{exchange::entryFromCard(cards.front(), page).entry, {}};
  for (const exchange::Property& property : cards.front().properties)
    if (property.name == "UID") received.uid = QString::fromStdString(exchange::unescapeText(property.value));
  return received;
}

}  // namespace

CardMapping vcardMapping(const exchange::CodePage& page) {
  return CardMapping{
      [page](const Entry& entry, const QString& uid, const QByteArray& kept) { return toCard(entry, uid, kept, page); },
      [page](const QByteArray& card) { return toEntry(card, page); }};
}

}  // namespace carddav
