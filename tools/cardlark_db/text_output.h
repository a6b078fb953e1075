#pragma once

// Table text on its way to a line of output: the table's bytes as UTF-8 by
// its code page, with backslash, tab, line feed and carriage return spelled
// \\, \t, \n and \r as in the import format, so that one value always stays
// on one line of one column.

#include <string>
#include <string_view>

#include "codepage/code_page.h"

namespace cardlark::db {

// Appends `bytes` to `out` converted and escaped as above.
void appendPrintable(std::string& out, std::string_view bytes, const codepage::CodePage& page);

}  // namespace cardlark::db
