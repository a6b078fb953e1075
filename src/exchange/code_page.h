#pragma once

// The table's single-byte character set, as a pair of functions so that a
// caller can hand in the code page the table's header names. Text moves
// between it and UTF-8 only through these helpers, which count the
// characters the code page cannot hold.

#include "codepage/code_page.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace exchange {

using CodePage = codepage::CodePage;

// The code page the header of the table `dbf` names.
CodePage tableCodePage(const std::filesystem::path& dbf);

// Table text from valid UTF-8 (the caller has checked it). A character the
// code page lacks becomes '?' and adds one to `replaced`.
std::string toTable(std::string_view utf8, const CodePage& codePage, std::size_t& replaced);

// UTF-8 from table text.
std::string fromTable(std::string_view bytes, const CodePage& codePage);

}  // namespace exchange
