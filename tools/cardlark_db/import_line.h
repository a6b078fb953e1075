#pragma once

// One line of an import file: NAME, a tab, MEMO, a tab, DATE. The memo
// spells line breaks, tabs and backslashes as \n, \r, \t and \\; every
// other byte passes through unchanged. DATE is YYYYMMDD or empty.

#include <stdexcept>
#include <string>
#include <string_view>

#include "book/entry.h"

namespace cardlark::db {

using ImportEntry = book::Entry;

class ImportLineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `line` is without its line feed; a carriage return before it is the
// caller's to remove. Trailing fields may be left out ("NAME" or
// "NAME<tab>MEMO"). Throws ImportLineError saying what is wrong.
ImportEntry parseImportLine(std::string_view line, std::size_t nameWidth);

}  // namespace cardlark::db
