#include "exchange/card_merge.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "book/memo_lines.h"
#include "exchange/card_mapping.h"
#include "exchange/vcard_writer.h"
#include "xbase/dbf_text.h"

namespace exchange {
namespace {

// One property of the card as the file holds it: its name in upper case
// without a group, and its physical lines, each ending in CR LF.
struct RawLine {
  std::string name;
  std::string text;
};

std::string_view headOf(std::string_view line) { return line.substr(0, line.find(':')); }

std::string propertyName(std::string_view line) {
  std::string_view name = line.substr(0, line.find_first_of(";:"));
  if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
  return xbase::asciiUpper(name);
}

// The card's properties: a line starting with a blank or a tab continues
// the one before, as does the line after a quoted-printable line ending in
// a soft break "=".
std::vector<RawLine> rawLines(std::string_view card) {
  std::vector<RawLine> lines;
  bool softBreak = false;
  std::size_t at = 0;
  while (at < card.size()) {
    std::size_t end = card.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = card.size();
    const std::string_view line = card.substr(at, end - at);
    at = end + (card.substr(end, 2) == "\r\n" ? 2 : 1);
    const bool continues = !lines.empty() && (softBreak || line.starts_with(' ') || line.starts_with('\t'));
    if (!continues && line.empty()) continue;
    if (!continues) {
      lines.push_back({propertyName(line), {}});
      softBreak = false;
    }
    lines.back().text.append(line).append("\r\n");
    const bool quotedPrintable = xbase::asciiUpper(headOf(lines.back().text)).find("QUOTED-PRINTABLE") !=
                                 std::string::npos;
    softBreak = quotedPrintable && line.ends_with('=');
  }
  return lines;
}

// The property of one line of a card of `version`; nullopt when it cannot
// be read alone.
std::optional<Property> readAlone(const RawLine& line, const std::string& version) {
  try {
    const std::vector<Card> cards = readVCards("BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + line.text +
                                               "END:VCARD\r\n");
    if (cards.size() == 1 && cards.front().properties.size() == 1) return cards.front().properties.front();
  } catch (const ReadError&) {
  }
  return std::nullopt;
}

bool holdsProperty(const Card& card, std::string_view name) {
  return std::any_of(card.properties.begin(), card.properties.end(), [&](const Property& p) { return p.name == name; });
}

bool mappedHere(const std::string& name) {
  return name == "FN" || name == "N" || name == "NOTE" || itemKindOf(name).has_value();
}

// The memo lines (table text) that the card's properties other than those
// mapped here give on reading: ADR as "Address: ...", ORG, BDAY, ...
std::set<std::string> linesGivenBy(const Card& card, const CodePage& codePage) {
  Card others;
  others.properties.push_back(Property{{}, "FN", {}, "-", false, 0});
  for (const Property& p : card.properties)
    if (!mappedHere(p.name)) others.properties.push_back(p);
  const std::string memo = entryFromCard(others, codePage).entry.memo;
  std::set<std::string> given;
  for (const std::string_view line : book::memoLines(memo)) given.emplace(line);
  return given;
}

// The NOTE: the memo lines that neither an item line nor another property
// of the card gives back, in UTF-8.
std::string noteFor(const Card& card, const std::string& memo, const CodePage& codePage) {
  const std::set<std::string> given = linesGivenBy(card, codePage);
  std::string note;
  bool first = true;
  for (const std::string_view line : book::memoLines(memo)) {
    EntryItem item;
    if (given.count(std::string(line)) || readItemLine(fromTable(line, codePage), item)) continue;
    if (!first) note += "\r\n";
    note.append(line);
    first = false;
  }
  return fromTable(note, codePage);
}

// N from a name "Family, Given", else the whole name as the family name.
std::string nameComponents(const std::string& name) {
  const std::size_t comma = name.find(", ");
  if (comma == std::string::npos) return escapeText(name) + ";;;;";
  return escapeText(name.substr(0, comma)) + ";" + escapeText(name.substr(comma + 2)) + ";;;";
}

class Merge {
 public:
  Merge(const Card& card, std::string_view kept, const book::Entry& entry, const CodePage& codePage)
      : card_(card), lines_(rawLines(kept)), name_(fromTable(entry.name, codePage)) {
    try {
      nameKept_ = entryFromCard(card, codePage).entry.name == entry.name;
    } catch (const ReadError&) {
    }
    items_ = entryItems(name_, fromTable(entry.memo, codePage));
    note_ = noteFor(card, entry.memo, codePage);
  }

  std::string write(std::string_view uid) {
    const bool needsUid = !uid.empty() && !holdsProperty(card_, "UID");
    for (const RawLine& line : lines_) {
      if (line.name == "END") finish();
      if (line.name == "FN" || line.name == "N") {
        writeName(line);
      } else if (const std::optional<book::ItemKind> kind = itemKindOf(line.name)) {
        writeItems(*kind);
      } else if (line.name == "NOTE") {
        writeNote();
      } else {
        out_ += line.text;
        if (line.name == "VERSION" && needsUid) appendContentLine(out_, "UID", escapeText(uid));
      }
    }
    return std::move(out_);
  }

 private:
  void writeName(const RawLine& line) {
    if (nameKept_) {
      out_ += line.text;
    } else if (line.name == "FN") {
      appendContentLine(out_, "FN", escapeText(name_));
      fnWritten_ = true;
    } else {
      appendContentLine(out_, "N", nameComponents(name_));
    }
  }

  // The items of `kind`, once: a line of the card that held the same item
  // with the same types is kept as it was.
  void writeItems(book::ItemKind kind) {
    if (!itemsWritten_.insert(kind).second) return;
    std::vector<std::pair<const RawLine*, std::optional<Property>>> old;
    for (const RawLine& line : lines_)
      if (itemKindOf(line.name) == kind) old.emplace_back(&line, readAlone(line, card_.version));
    for (const EntryItem& item : items_) {
      if (item.kind != kind) continue;
      const auto same = std::find_if(old.begin(), old.end(), [&](const auto& o) {
        return o.second && itemValue(*o.second) == item.value && itemTypes(*o.second) == item.type;
      });
      if (same == old.end()) {
        appendItem(out_, item);
        continue;
      }
      out_ += same->first->text;
      old.erase(same);
    }
  }

  void writeNote() {
    if (noteWritten_) return;
    noteWritten_ = true;
    if (!note_.empty()) appendContentLine(out_, "NOTE", escapeText(note_));
  }

  // Before END: what the card had no place for.
  void finish() {
    if (!nameKept_ && !fnWritten_) appendContentLine(out_, "FN", escapeText(name_));
    fnWritten_ = true;
    for (const book::ItemKind kind : {book::ItemKind::Phone, book::ItemKind::Email, book::ItemKind::Web})
      writeItems(kind);
    writeNote();
  }

  const Card& card_;
  std::vector<RawLine> lines_;
  std::string name_;  // UTF-8
  bool nameKept_ = false;
  std::vector<EntryItem> items_;
  std::string note_;
  std::string out_;
  std::set<book::ItemKind> itemsWritten_;
  bool fnWritten_ = false;
  bool noteWritten_ = false;
};

}  // namespace

std::string mergeCard(std::string_view kept, const book::Entry& entry, const CodePage& codePage, std::string_view uid) {
  const std::vector<Card> cards = readVCards(kept);
  if (cards.size() != 1) throw ReadError(1, "the kept card is " + std::to_string(cards.size()) + " cards");
  return Merge(cards.front(), kept, entry, codePage).write(uid);
}

}  // namespace exchange
