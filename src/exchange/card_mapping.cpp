#include "exchange/card_mapping.h"

#include <array>

#include "exchange/vcard_writer.h"
#include "xbase/dbf_text.h"

namespace exchange {
namespace {

// Non-empty parts joined by ", ", line breaks inside them as well.
std::string joinParts(const std::vector<std::string>& parts, std::size_t from = 0) {
  std::string out;
  for (std::size_t i = from; i < parts.size(); ++i) {
    if (parts[i].find_first_not_of(' ') == std::string::npos) continue;
    if (!out.empty()) out += ", ";
    out += replaceLineBreaks(parts[i], ", ");
  }
  return out;
}

std::string nameOf(const Card& card) {
  for (const Property& p : card.properties)
    if (p.name == "FN" && !cleanName(unescapeText(p.value)).empty()) return unescapeText(p.value);
  for (const Property& p : card.properties) {
    if (p.name != "N") continue;
    const std::vector<std::string> parts = splitComponents(p.value);
    const std::string family = parts.empty() ? "" : cleanName(parts[0]);
    const std::string given = parts.size() < 2 ? "" : cleanName(parts[1]);
    if (!family.empty() && !given.empty()) return family + ", " + given;
    return family + given;
  }
  return {};
}

// A TEL value as a URI ("tel:+1-555-0100") gives the number.
std::string withoutScheme(std::string value, std::string_view scheme) {
  if (xbase::asciiUpper(std::string_view(value).substr(0, scheme.size())) == scheme) value.erase(0, scheme.size());
  return value;
}

// The name of a card with neither FN nor N: its organisation, else its
// first e-mail address, else its first phone number; "" when it has none.
std::string nameWithoutFnOrN(const Card& card) {
  for (const std::string_view property : {"ORG", "EMAIL", "TEL"}) {
    for (const Property& p : card.properties) {
      if (p.name != property || p.binary) continue;
      std::string name = property == "ORG"   ? joinParts(splitComponents(p.value))
                         : property == "TEL" ? withoutScheme(unescapeText(p.value), "TEL:")
                                             : unescapeText(p.value);
      if (name.find_first_not_of(' ') != std::string::npos) return name;
    }
  }
  return {};
}

struct Labelled {
  std::string_view property;
  std::string_view label;
};
constexpr std::array<Labelled, 5> kLabelled = {{{"TITLE", "Title"},
                                                {"ROLE", "Role"},
                                                {"NICKNAME", "Nickname"},
                                                {"BDAY", "Birthday"},
                                                {"ANNIVERSARY", "Anniversary"}}};

void addProperty(ContactDraft& draft, const Property& p) {
  if (p.binary) return;
  if (const std::optional<book::ItemKind> kind = itemKindOf(p.name))
    return draft.addItem(*kind, itemValue(p), itemTypes(p));
  if (p.name == "NOTE") return draft.addNotes(unescapeText(p.value));
  if (p.name == "ADR") return draft.addLabelled("Address", joinParts(splitComponents(p.value)));
  if (p.name == "ORG") return draft.addLabelled("Organisation", joinParts(splitComponents(p.value)));
  for (const Labelled& l : kLabelled)
    if (p.name == l.property) return draft.addLabelled(std::string(l.label), unescapeText(p.value));
}

std::string escapeBackslashes(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') out.push_back(c);
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::optional<book::ItemKind> itemKindOf(std::string_view property) {
  if (property == "TEL") return book::ItemKind::Phone;
  if (property == "EMAIL") return book::ItemKind::Email;
  if (property == "URL") return book::ItemKind::Web;
  return std::nullopt;
}

std::string itemValue(const Property& p) {
  return p.name == "TEL" ? withoutScheme(unescapeText(p.value), "TEL:") : unescapeText(p.value);
}

std::string itemTypes(const Property& p) {
  std::string types;
  for (const Parameter& parameter : p.parameters) {
    if (parameter.name != "TYPE") continue;
    for (const std::string& type : splitComponents(parameter.value, ',')) {
      const std::string lower = xbase::asciiLower(type);
      // Every e-mail address is one of the Internet's: the type says nothing.
      if (lower.empty() || lower == "internet") continue;
      if (!types.empty()) types += ',';
      types += lower;
    }
  }
  return types;
}

void appendItem(std::string& out, const EntryItem& item) {
  std::string name(item.kind == book::ItemKind::Phone ? "TEL" : item.kind == book::ItemKind::Email ? "EMAIL" : "URL");
  if (!item.type.empty()) name += ";TYPE=" + item.type;
  // A web address is a URI, written without text escapes but for the
  // backslash, which the reader would otherwise take for one.
  appendContentLine(out, name,
                    item.kind == book::ItemKind::Web ? escapeBackslashes(item.value) : escapeText(item.value));
}

ContactDraft draftFromCard(const Card& card) {
  ContactDraft draft;
  draft.line = card.line;
  draft.name = nameOf(card);
  if (cleanName(draft.name).empty()) draft.name = nameWithoutFnOrN(card);
  if (cleanName(draft.name).empty())
    throw ReadError(card.line, "the card that starts here has neither FN nor N, nor ORG, EMAIL or TEL");
  for (const Property& p : card.properties) addProperty(draft, p);
  return draft;
}

ImportedEntry entryFromCard(const Card& card, const CodePage& codePage) {
  return makeEntry(draftFromCard(card), codePage);
}

void appendCard(std::string& out, const book::Entry& entry, const CodePage& codePage, std::string_view uid) {
  out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
  if (!uid.empty()) appendContentLine(out, "UID", escapeText(uid));
  appendContentLine(out, "FN", escapeText(fromTable(entry.name, codePage)));
  const std::string memo = fromTable(entry.memo, codePage);
  if (!memo.empty()) appendContentLine(out, "NOTE", escapeText(memo));
  for (const EntryItem& item : entryItems(fromTable(entry.name, codePage), memo)) appendItem(out, item);
  out += "END:VCARD\r\n";
}

}  // namespace exchange
