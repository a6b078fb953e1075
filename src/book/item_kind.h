#pragma once

// The three kinds of contact item and the words each kind brings to the
// chooser's captions and to the memo line that stores a typed item.

#include <string_view>

namespace book {

enum class ItemKind { Phone, Email, Web };

struct KindWords {
  std::string_view verb;         // "Dial "
  std::string_view noun;         // "Phone No."
  std::string_view recordLabel;  // "Phone", as in the memo line "Phone: 555-1234"
};

constexpr KindWords wordsFor(ItemKind kind) {
  switch (kind) {
    case ItemKind::Phone: return {"Dial ", "Phone No.", "Phone"};
    case ItemKind::Email: return {"Message to ", "E-mail address", "Email"};
    case ItemKind::Web: break;
  }
  return {"GoTo ", "URL", "WebSite"};
}

}  // namespace book
