#pragma once

// The rules that find contact items in one text (a NAME value or one memo
// line). Each rule works on single characters and only ever compares them
// with ASCII digits, letters and punctuation, so the same rules serve the
// table's single-byte text (std::string_view) and the window's UTF-16 text
// (std::u16string_view). Positions are 0-based. An item is a copy of part
// of the text, never normalised; the text itself is not changed.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace book {

// Whether a phone number's dash stands at `dash`: three decimal digits
// directly before it and four directly after it. False when any of these
// positions lies outside the text.
bool IsPhoneAt(std::string_view text, std::size_t dash);
bool IsPhoneAt(std::u16string_view text, std::size_t dash);

// The number whose dash IsPhoneAt found at `dash`: the 8 characters
// "555-1234", or, when a ")" or "-" stands directly before them, the 12
// characters ending with the number, with that character given as "-"
// ("(206)555-1234" gives "206-555-1234"). The three characters of the area
// code are not checked. When fewer than 7 characters precede the dash, the
// 12 characters are taken from the start of the text. "" where IsPhoneAt
// does not hold.
std::string ExtractPhone(std::string_view text, std::size_t dash);
std::u16string ExtractPhone(std::u16string_view text, std::size_t dash);

// Every phone number of the text, appended right to left. Texts shorter
// than 8 characters hold none.
void appendPhones(std::string_view text, std::vector<std::string>& items);
void appendPhones(std::u16string_view text, std::vector<std::u16string>& items);

// The e-mail address around the text's first "@" (later ones are ignored),
// provided a "." follows within the 99 characters after it. The address
// starts after the last blank, ":" or ";" before the "@" and is cut before
// the first blank, at most 255 characters. No item when nothing stands
// between that separator (or the start of the text) and the "@", or when
// the "@" lies beyond the 255 characters taken.
std::optional<std::string> ExtractEmail(std::string_view text);
std::optional<std::u16string> ExtractEmail(std::u16string_view text);

// The web address starting at the first "FTP://" of the text, ignoring the
// case of a to z; without one at the first "HTTP://", then "HTTPS://", then
// "WWW.": the pattern decides, not its position. Cut before the first blank,
// at most 255 characters, in the text's own letter case.
std::optional<std::string> FindWebAddress(std::string_view text);
std::optional<std::u16string> FindWebAddress(std::u16string_view text);

}  // namespace book
