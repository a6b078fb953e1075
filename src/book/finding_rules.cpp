#include "book/finding_rules.h"

#include <array>

namespace book {
namespace {

constexpr std::size_t kItemLimit = 255;    // the longest e-mail or web item
constexpr std::size_t kDotLookAhead = 99;  // where an e-mail's "." must follow its "@"
constexpr std::size_t kShortNumber = 8;    // "555-1234"
constexpr std::size_t kLongNumber = 12;    // "206-555-1234"

template <typename Char>
bool isDigit(Char c) {
  return c >= Char('0') && c <= Char('9');
}

template <typename Char>
bool isAddressSeparator(Char c) {
  return c == Char(' ') || c == Char(':') || c == Char(';');
}

template <typename Char>
Char upperAscii(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

template <typename Char>
using View = std::basic_string_view<Char>;
template <typename Char>
using Text = std::basic_string<Char>;

// Up to kItemLimit characters from `start`, cut before the first blank.
template <typename Char>
Text<Char> cutAtBlank(View<Char> text, std::size_t start) {
  const View<Char> item = text.substr(start, kItemLimit);
  return Text<Char>(item.substr(0, item.find(Char(' '))));
}

template <typename Char>
bool isPhoneAt(View<Char> text, std::size_t dash) {
  if (dash < 3 || dash + 4 >= text.size() || text[dash] != Char('-')) return false;
  for (std::size_t i = dash - 3; i <= dash + 4; ++i)
    if (i != dash && !isDigit(text[i])) return false;
  return true;
}

// True when the number at `dash` takes its area code: a ")" or "-" stands
// directly before its first digit.
template <typename Char>
bool hasAreaCode(View<Char> text, std::size_t dash) {
  return dash >= 4 && (text[dash - 4] == Char(')') || text[dash - 4] == Char('-'));
}

// A ")" before the number reads as "-", and so does a "(" four places
// further left. That "(" always lies just outside the 12 characters taken,
// and the scan resumes beyond it, so only the ")" shows in the item.
template <typename Char>
Text<Char> extractPhone(View<Char> text, std::size_t dash) {
  if (!isPhoneAt(text, dash)) return {};
  if (!hasAreaCode(text, dash)) return Text<Char>(text.substr(dash - 3, kShortNumber));
  const std::size_t start = dash >= 7 ? dash - 7 : 0;
  Text<Char> item(text.substr(start, kLongNumber));
  item[dash - 4 - start] = Char('-');
  return item;
}

template <typename Char>
void appendPhones(View<Char> text, std::vector<Text<Char>>& items) {
  if (text.size() < kShortNumber) return;
  // The dash runs from the fifth-last character down to the fourth one; a
  // number found moves the scan past its own digits.
  std::size_t dash = text.size() - 5;
  while (dash >= 3) {
    dash = text.rfind(Char('-'), dash);
    if (dash == View<Char>::npos || dash < 3) break;
    if (!isPhoneAt(text, dash)) {
      --dash;
      continue;
    }
    const bool withAreaCode = hasAreaCode(text, dash);
    items.push_back(extractPhone(text, dash));
    const std::size_t step = withAreaCode ? 9 : 5;
    if (dash < 3 + step) break;
    dash -= step;
  }
}

template <typename Char>
std::optional<Text<Char>> extractEmail(View<Char> text) {
  const std::size_t at = text.find(Char('@'));
  if (at == View<Char>::npos || at == 0) return std::nullopt;
  if (text.substr(at + 1, kDotLookAhead).find(Char('.')) == View<Char>::npos) return std::nullopt;
  std::size_t start = at;
  while (start > 0 && !isAddressSeparator(text[start - 1])) --start;
  if (start == at || at - start >= kItemLimit) return std::nullopt;
  return cutAtBlank(text, start);
}

constexpr std::array<std::string_view, 4> kWebPatterns = {"FTP://", "HTTP://", "HTTPS://", "WWW."};

// Whether `pattern` (upper-case ASCII) stands at `at`, comparing the letters
// a to z as upper case.
template <typename Char>
bool startsWithIgnoringCase(View<Char> text, std::size_t at, std::string_view pattern) {
  if (text.size() - at < pattern.size()) return false;
  for (std::size_t j = 0; j < pattern.size(); ++j)
    if (upperAscii(text[at + j]) != Char(pattern[j])) return false;
  return true;
}

// One pass notes the first place of each pattern; it ends early once the
// pattern of highest priority has been seen.
template <typename Char>
std::optional<Text<Char>> findWebAddress(View<Char> text) {
  std::array<std::size_t, kWebPatterns.size()> first;
  first.fill(View<Char>::npos);
  for (std::size_t at = 0; at < text.size() && first[0] == View<Char>::npos; ++at) {
    const Char c = upperAscii(text[at]);
    if (c != Char('F') && c != Char('H') && c != Char('W')) continue;
    for (std::size_t p = 0; p < kWebPatterns.size(); ++p)
      if (first[p] == View<Char>::npos && startsWithIgnoringCase(text, at, kWebPatterns[p])) first[p] = at;
  }
  for (const std::size_t start : first)
    if (start != View<Char>::npos) return cutAtBlank(text, start);
  return std::nullopt;
}

}  // namespace

bool IsPhoneAt(std::string_view text, std::size_t dash) { return isPhoneAt(text, dash); }
bool IsPhoneAt(std::u16string_view text, std::size_t dash) { return isPhoneAt(text, dash); }

std::string ExtractPhone(std::string_view text, std::size_t dash) { return extractPhone(text, dash); }
std::u16string ExtractPhone(std::u16string_view text, std::size_t dash) { return extractPhone(text, dash); }

void appendPhones(std::string_view text, std::vector<std::string>& items) { appendPhones<char>(text, items); }
void appendPhones(std::u16string_view text, std::vector<std::u16string>& items) { appendPhones<char16_t>(text, items); }

std::optional<std::string> ExtractEmail(std::string_view text) { return extractEmail(text); }
std::optional<std::u16string> ExtractEmail(std::u16string_view text) { return extractEmail(text); }

std::optional<std::string> FindWebAddress(std::string_view text) { return findWebAddress(text); }
std::optional<std::u16string> FindWebAddress(std::u16string_view text) { return findWebAddress(text); }

}  // namespace book
