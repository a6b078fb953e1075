#include "book/duplicate_finder.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <unordered_map>
#include <utility>

#include "book/contact_items.h"
#include "book/finding_rules.h"
#include "book/memo_lines.h"

namespace book {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The name without a trailing " (N)" or " (server)", however many.
std::string_view withoutSuffixes(std::string_view name) {
  for (;;) {
    name = trimmed(name);
    if (name.size() < 3 || name.back() != ')') return name;
    const std::size_t open = name.rfind(" (");
    if (open == std::string_view::npos) return name;
    const std::string_view inside = name.substr(open + 2, name.size() - open - 3);
    const bool number = !inside.empty() && std::all_of(inside.begin(), inside.end(), isDigit);
    std::string word(inside);
    for (char& c : word) c = lower(c);
    if (!number && word != "server") return name;
    name = name.substr(0, open);
  }
}

void appendFolded(std::string_view text, std::string& out) {
  for (const char c : text) {
    // Bytes above 127 are the code page's letters: kept as they are.
    if (isDigit(c) || isAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80) out += lower(c);
  }
}

bool isNumberPart(char c) { return isDigit(c) || std::string_view(" -.()+").find(c) != std::string_view::npos; }

// The phone numbers of one text. The contact rules find a number by its
// dash ("555-1234"); the number is taken with everything before it that
// can be part of a number, so "(206) 555-1234" and "+1 206 555-1234" keep
// their area codes. A "+" begins a number written in the international
// form, "+1 206 555 1234", when at least 10 digits follow it among blanks,
// dashes, dots and parentheses.
void appendNumbers(std::string_view text, std::vector<std::string_view>& numbers) {
  for (std::size_t dash = 3; dash + 4 < text.size(); ++dash) {
    if (!IsPhoneAt(text, dash)) continue;
    std::size_t start = dash - 3;
    while (start > 0 && isNumberPart(text[start - 1])) --start;
    numbers.push_back(text.substr(start, dash + 5 - start));
  }
  for (std::size_t plus = text.find('+'); plus != std::string_view::npos; plus = text.find('+', plus + 1)) {
    std::size_t end = plus + 1, digits = 0;
    for (; end < text.size() && isNumberPart(text[end]) && text[end] != '+'; ++end)
      if (isDigit(text[end])) ++digits;
    if (digits >= 10) numbers.push_back(text.substr(plus, end - plus));
  }
}

}  // namespace

std::string foldedName(std::string_view name) {
  name = withoutSuffixes(name);
  std::string folded;
  const std::size_t comma = name.find(',');
  if (comma != std::string_view::npos) {
    appendFolded(name.substr(comma + 1), folded);
    appendFolded(name.substr(0, comma), folded);
  } else {
    appendFolded(name, folded);
  }
  return folded;
}

std::string phoneDigits(std::string_view number) {
  std::string digits;
  for (const char c : number)
    if (isDigit(c)) digits += c;
  if (digits.size() < 7) return {};
  return digits.size() > 10 ? digits.substr(digits.size() - 10) : digits;
}

std::string foldedEmail(std::string_view address) {
  while (!address.empty() && address.front() == '<') address.remove_prefix(1);
  while (!address.empty() && std::string_view(">.,;)").find(address.back()) != std::string_view::npos)
    address.remove_suffix(1);
  std::string folded;
  for (const char c : address) folded += lower(c);
  return folded;
}

const char* describe(MatchKind kind) {
  switch (kind) {
    case MatchKind::Name: return "same name";
    case MatchKind::Phone: return "same phone number";
    case MatchKind::Email: return "same e-mail address";
  }
  return "";
}

void DuplicateFinder::add(std::uint32_t recno, std::string_view name, std::string_view memo) {
  const auto entry = static_cast<std::uint32_t>(recnos_.size());
  recnos_.push_back(recno);
  ownKeys_.clear();
  addKey(entry, MatchKind::Name, foldedName(name));
  const std::vector<std::string_view> lines = memoLines(memo);
  std::vector<std::string_view> numbers;
  appendNumbers(name, numbers);
  for (const std::string_view line : lines) appendNumbers(line, numbers);
  for (const std::string_view number : numbers) addKey(entry, MatchKind::Phone, phoneDigits(number));
  for (const std::string& address : collectItems(ItemKind::Email, name, lines))
    addKey(entry, MatchKind::Email, foldedEmail(address));
}

void DuplicateFinder::addKey(std::uint32_t entry, MatchKind kind, const std::string& key) {
  if (key.empty()) return;
  // The kind is part of the hash: a name never meets a number.
  const std::uint64_t hash = std::hash<std::string>{}(key)*3 + static_cast<std::uint64_t>(kind);
  if (std::find(ownKeys_.begin(), ownKeys_.end(), hash) != ownKeys_.end()) return;  // written twice
  ownKeys_.push_back(hash);
  Slot& slot = slotOf(hash);
  if (slot.hash == 0) {
    slot = {hash, entry, 1};
    if (++used_ * 10 > slots_.size() * 7) grow();
    return;
  }
  ++slot.holders;
  // A crowded key links nothing (groups() drops its links); no more of them
  // are kept than it takes to tell.
  if (kind != MatchKind::Name && slot.holders > kCrowdedKey) return;
  links_.push_back({slot.first, entry, hash, {recnos_[slot.first], recnos_[entry], kind, key}});
}

// The slot holding `hash`, or the free one where it belongs.
const DuplicateFinder::Slot& DuplicateFinder::slotOf(std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = static_cast<std::size_t>(hash) & mask;
  while (slots_[at].hash != 0 && slots_[at].hash != hash) at = (at + 1) & mask;
  return slots_[at];
}

DuplicateFinder::Slot& DuplicateFinder::slotOf(std::uint64_t hash) {
  return const_cast<Slot&>(std::as_const(*this).slotOf(hash));
}

void DuplicateFinder::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  for (const Slot& slot : old)
    if (slot.hash != 0) slotOf(slot.hash) = slot;
}

std::vector<DuplicateGroup> DuplicateFinder::groups() const {
  std::vector<std::uint32_t> parent(recnos_.size());
  std::iota(parent.begin(), parent.end(), 0u);
  const auto root = [&](std::uint32_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  std::vector<const Link*> kept;
  for (const Link& link : links_) {
    if (link.reason.kind != MatchKind::Name && slotOf(link.hash).holders > kCrowdedKey) continue;
    kept.push_back(&link);
    const std::uint32_t a = root(link.first), b = root(link.second);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
  }
  std::unordered_map<std::uint32_t, std::size_t> groupOfRoot;
  std::vector<DuplicateGroup> found;
  const auto groupOf = [&](std::uint32_t entry) -> DuplicateGroup& {
    const auto [at, fresh] = groupOfRoot.try_emplace(root(entry), found.size());
    if (fresh) found.emplace_back();
    return found[at->second];
  };
  for (const Link* link : kept) groupOf(link->first).reasons.push_back(link->reason);
  for (std::uint32_t entry = 0; entry < recnos_.size(); ++entry) {
    if (const auto at = groupOfRoot.find(root(entry)); at != groupOfRoot.end())
      found[at->second].recnos.push_back(recnos_[entry]);
  }
  for (DuplicateGroup& group : found) std::sort(group.recnos.begin(), group.recnos.end());
  std::sort(found.begin(), found.end(),
            [](const DuplicateGroup& a, const DuplicateGroup& b) { return a.recnos.front() < b.recnos.front(); });
  return found;
}

}  // namespace book
