#include "book/contact_items.h"

#include "book/finding_rules.h"
#include "book/memo_lines.h"

namespace book {
namespace {

template <typename Char>
void appendItems(ItemKind kind, std::basic_string_view<Char> text, std::vector<std::basic_string<Char>>& items) {
  switch (kind) {
    case ItemKind::Phone: appendPhones(text, items); return;
    case ItemKind::Email:
      if (auto item = ExtractEmail(text)) items.push_back(std::move(*item));
      return;
    case ItemKind::Web:
      if (auto item = FindWebAddress(text)) items.push_back(std::move(*item));
      return;
  }
}

template <typename Char>
std::vector<std::basic_string<Char>> collect(ItemKind kind, std::basic_string_view<Char> name,
                                             std::span<const std::basic_string_view<Char>> lines) {
  std::vector<std::basic_string<Char>> items;
  appendItems(kind, name, items);
  if (kind == ItemKind::Email) {
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) appendItems(kind, *line, items);
  } else {
    for (const auto line : lines) appendItems(kind, line, items);
  }
  return items;
}

}  // namespace

std::vector<std::string> collectItems(ItemKind kind, std::string_view name, std::span<const std::string_view> lines) {
  return collect(kind, name, lines);
}

std::vector<std::u16string> collectItems(ItemKind kind, std::u16string_view name,
                                         std::span<const std::u16string_view> lines) {
  return collect(kind, name, lines);
}

std::vector<std::string> collectEntryItems(ItemKind kind, std::string_view name, std::string_view memo) {
  return collect<char>(kind, name, memoLines(memo));
}

std::vector<std::u16string> collectEntryItems(ItemKind kind, std::u16string_view name, std::u16string_view memo) {
  return collect<char16_t>(kind, name, memoLines(memo));
}

}  // namespace book
