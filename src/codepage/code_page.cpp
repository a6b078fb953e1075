#include "codepage/code_page.h"

#include <algorithm>
#include <array>
#include <utility>

#include "codepage/code_page_tables.h"

namespace codepage {
namespace {

using detail::kPageCount;
using detail::kPages;
using detail::PageTable;

constexpr std::uint8_t kWindowsAnsiMark = 0x03;
constexpr char32_t kPrivateBase = 0xF700;

const PageTable* pageOfMark(std::uint8_t mark) {
  for (const PageTable& page : kPages)
    if (page.mark == mark) return &page;
  return nullptr;
}

// Characters 0x80 and up of each page with their bytes, sorted by character,
// built once.
using Reverse = std::array<std::pair<char16_t, std::uint8_t>, 128>;

const Reverse& reverseOf(const PageTable& page) {
  static const std::array<Reverse, kPageCount> all = [] {
    std::array<Reverse, kPageCount> built{};
    for (std::size_t p = 0; p < kPageCount; ++p) {
      for (std::size_t i = 0; i < 128; ++i) built[p][i] = {kPages[p].high[i], static_cast<std::uint8_t>(0x80 + i)};
      std::sort(built[p].begin(), built[p].end());
    }
    return built;
  }();
  return all[static_cast<std::size_t>(&page - kPages.data())];
}

}  // namespace

CodePage::CodePage() : CodePage(pageOfMark(kWindowsAnsiMark), kWindowsAnsiMark) {}

CodePage CodePage::fromMark(std::uint8_t mark) {
  if (mark == 0) return CodePage();
  return CodePage(pageOfMark(mark), mark);
}

std::optional<CodePage> CodePage::fromNumber(int number) {
  for (const PageTable& page : kPages)
    if (page.number == number) return CodePage(&page, page.mark);
  return std::nullopt;
}

std::vector<int> CodePage::numbers() {
  std::vector<int> numbers;
  for (const PageTable& page : kPages) numbers.push_back(page.number);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

int CodePage::number() const { return page_ ? page_->number : 0; }

char32_t CodePage::toUnicode(unsigned char byte) const {
  if (byte < 0x80) return byte;
  return page_ ? page_->high[byte - 0x80] : kPrivateBase + byte;
}

std::optional<char> CodePage::fromUnicode(char32_t code) const {
  if (code < 0x80) return static_cast<char>(code);
  if (!page_) {
    if (code >= kPrivateBase + 0x80 && code <= kPrivateBase + 0xFF) return static_cast<char>(code - kPrivateBase);
    return std::nullopt;
  }
  if (code > 0xFFFF) return std::nullopt;
  const Reverse& reverse = reverseOf(*page_);
  const auto key = static_cast<char16_t>(code);
  const auto found = std::lower_bound(reverse.begin(), reverse.end(), std::pair<char16_t, std::uint8_t>(key, 0));
  if (found == reverse.end() || found->first != key) return std::nullopt;
  return static_cast<char>(found->second);
}

void appendUtf8(std::string& out, char32_t code) {
  const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
  if (code < 0x80) {
    put(code);
  } else if (code < 0x800) {
    put(0xC0 | (code >> 6));
    put(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    put(0xE0 | (code >> 12));
    put(0x80 | ((code >> 6) & 0x3F));
    put(0x80 | (code & 0x3F));
  } else {
    put(0xF0 | (code >> 18));
    put(0x80 | ((code >> 12) & 0x3F));
    put(0x80 | ((code >> 6) & 0x3F));
    put(0x80 | (code & 0x3F));
  }
}

std::string toUtf8(std::string_view bytes, const CodePage& page) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) appendUtf8(out, page.toUnicode(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace codepage
