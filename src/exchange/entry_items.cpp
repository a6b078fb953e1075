#include "exchange/entry_items.h"

#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "book/finding_rules.h"
#include "book/memo_lines.h"
#include "xbase/dbf_text.h"

namespace exchange {
namespace {

using book::ItemKind;
namespace pn = i18n::phonenumbers;

constexpr std::array<ItemKind, 3> kKinds = {ItemKind::Phone, ItemKind::Email, ItemKind::Web};

// The matcher reads "00" as the international prefix only for a region
// that dials abroad with it; any such region serves, since a number it
// reads without a prefix is not taken.
constexpr char kRegionDialling00[] = "DE";
// Tries the matcher makes per line before it gives up.
constexpr int kMaxTries = 64;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The label of a "Label: value" line in lower case, "" when the line has
// no short label before its first ':'.
std::string labelOf(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon > 40) return {};
  std::string label(line.substr(0, colon));
  for (char& c : label) c = xbase::asciiLower(c);
  return label;
}

// A line the import wrote for an address, a date or a note.
bool addressDateOrNote(std::string_view line) {
  const std::string label = labelOf(line);
  if (label.empty() || label.find("mail") != std::string::npos || label.find("web") != std::string::npos) return false;
  for (const std::string_view word :
       {"address", "street", "postal", "postcode", "zip", "birth", "anniversary", "date", "note"})
    if (label.find(word) != std::string::npos) return true;
  return false;
}

// Whether a "00" or "+" stands before a digit: only then can the line hold
// an international number, and the parser is spared the other lines.
bool mayHoldInternational(std::string_view line) {
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const bool plus = line[i] == '+' && std::isdigit(static_cast<unsigned char>(line[i + 1])) != 0;
    if (plus || (line[i] == '0' && line[i + 1] == '0')) return true;
  }
  return false;
}

void appendInternationalNumbers(std::string_view line, std::vector<std::string>& out) {
  if (!mayHoldInternational(line)) return;
  const pn::PhoneNumberUtil& util = *pn::PhoneNumberUtil::GetInstance();
  pn::PhoneNumberMatcher matcher(util, std::string(line), kRegionDialling00, pn::PhoneNumberMatcher::POSSIBLE,
                                 kMaxTries);
  while (matcher.HasNext()) {
    pn::PhoneNumberMatch match;
    matcher.Next(&match);
    const std::string& raw = match.raw_string();
    if (startsWith(raw, "+") || (startsWith(raw, "00") && util.IsValidNumber(match.number()))) out.push_back(raw);
  }
}

// The items of one kind in a line typed by hand.
void appendTyped(ItemKind kind, std::string_view line, std::vector<std::string>& out) {
  switch (kind) {
    case ItemKind::Phone: return appendInternationalNumbers(line, out);
    case ItemKind::Email:
      if (auto item = book::ExtractEmail(line)) out.push_back(std::move(*item));
      return;
    case ItemKind::Web:
      if (auto item = book::FindWebAddress(line)) out.push_back(std::move(*item));
      return;
  }
}

// Whether a labelled value can be an item of `kind`: a phone number has a
// digit, an e-mail address an "@", so "Phone: after six" stays text.
bool plausible(ItemKind kind, std::string_view value) {
  if (value.find_first_not_of(' ') == std::string_view::npos) return false;
  if (kind == ItemKind::Phone) return value.find_first_of("0123456789") != std::string_view::npos;
  return kind != ItemKind::Email || value.find('@') != std::string_view::npos;
}

void add(std::vector<EntryItem>& items, EntryItem item) {
  const auto same = [&](const EntryItem& i) { return i.kind == item.kind && i.value == item.value; };
  if (!item.value.empty() && std::none_of(items.begin(), items.end(), same)) items.push_back(std::move(item));
}

}  // namespace

std::string itemLabel(ItemKind kind, std::string_view type) {
  std::string label(book::wordsFor(kind).recordLabel);
  if (!type.empty()) label.append(" (").append(type).append(")");
  return label;
}

bool readItemLine(std::string_view line, EntryItem& item) {
  for (const ItemKind kind : kKinds) {
    const std::string_view label = book::wordsFor(kind).recordLabel;
    if (!startsWith(line, label)) continue;
    std::string_view rest = line.substr(label.size());
    std::string type;
    if (startsWith(rest, " (")) {
      const std::size_t close = rest.find(')');
      if (close == std::string_view::npos) return false;
      type = rest.substr(2, close - 2);
      const auto typeChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == ',' || c == '-'; };
      if (type.empty() || !std::all_of(type.begin(), type.end(), typeChar)) return false;
      rest.remove_prefix(close + 1);
    }
    const std::string_view value = rest.substr(std::min<std::size_t>(2, rest.size()));
    if (!startsWith(rest, ": ") || !plausible(kind, value)) return false;
    item = EntryItem{kind, std::move(type), std::string(value)};
    return true;
  }
  return false;
}

std::vector<EntryItem> entryItems(std::string_view name, std::string_view memo) {
  std::vector<std::string_view> lines = book::memoLines(memo);
  lines.insert(lines.begin(), name);
  std::vector<EntryItem> items;
  for (const ItemKind kind : kKinds) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EntryItem item;
      if (i > 0 && readItemLine(lines[i], item)) {
        if (item.kind == kind) add(items, std::move(item));
        continue;
      }
      if (i > 0 && addressDateOrNote(lines[i])) continue;
      std::vector<std::string> found;
      appendTyped(kind, lines[i], found);
      for (std::string& value : found) add(items, EntryItem{kind, {}, std::move(value)});
    }
  }
  return items;
}

}  // namespace exchange
