#pragma once

#include "codepage/code_page.h"

// UTF-8 as the exchange files carry it: decoding one character at a time
// with strict checks (no overlong forms, no surrogates, nothing past
// U+10FFFF) and encoding.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace exchange {

// The character starting at `pos`, moving `pos` past it; nothing (and
// `pos` unchanged) when the bytes there are not valid UTF-8.
std::optional<char32_t> nextCharacter(std::string_view text, std::size_t& pos);

// The length of the valid UTF-8 start of `text`: text.size() when all of
// it is valid.
std::size_t validUtf8Prefix(std::string_view text);

using codepage::appendUtf8;

// UTF-16 `bytes` (without a byte order mark) as UTF-8; nothing for an odd
// number of bytes or a surrogate without its other half.
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Windows-1252 `bytes` as UTF-8: what a producer means by 8-bit text it
// names no character set for.
std::string windows1252ToUtf8(std::string_view bytes);

// `bytes` in the character set `charset` (any name the system's iconv
// knows) as UTF-8; nothing, with the reason in `why`, when the set is
// unknown or the bytes are not text in it.
std::optional<std::string> charsetToUtf8(std::string_view bytes, const std::string& charset, std::string& why);

// `text` without a UTF-8 byte order mark at its start.
std::string_view withoutBom(std::string_view text);

}  // namespace exchange
