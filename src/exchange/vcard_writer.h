#pragma once

// The pieces of a vCard 4.0 file: content lines in UTF-8 ending in CR LF,
// folded so that no line exceeds 75 octets (a continuation starts with one
// blank) and never inside a UTF-8 sequence.

#include <string>
#include <string_view>

namespace exchange {

inline constexpr std::size_t kFoldWidth = 75;

// A text value escaped: backslash, comma and semicolon get a backslash,
// each line break (CR LF, CR or LF) becomes \n.
std::string escapeText(std::string_view text);

// Appends `name` ("FN", "TEL;TYPE=cell"), ":" and `value` as it stands,
// folded, and CR LF.
void appendContentLine(std::string& out, std::string_view name, std::string_view value);

}  // namespace exchange
