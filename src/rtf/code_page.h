#pragma once

// The single-byte character set the tables and memos are kept in
// (Windows-1252 today). Every conversion between it and Unicode goes through
// these two functions, so that another code page means changing only them.

#include <string>
#include <string_view>

namespace rtf {

inline constexpr int kCodePage = 1252;

// The Unicode character of one byte. Every byte has one, so bytes survive a
// round trip through Unicode.
char32_t codePageToUnicode(unsigned char byte);

// The byte of a Unicode character, or '?' when the code page has none.
char unicodeToCodePage(char32_t code);

// UTF-8 text (a command line, a file) in the code page: each character its
// byte, '?' for a character the code page lacks and for each byte of a
// malformed sequence.
std::string utf8ToCodePage(std::string_view utf8);

}  // namespace rtf
