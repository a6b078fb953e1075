#pragma once

// Table text on its way to a line of output: the table's Windows-1252
// bytes as UTF-8, with backslash, tab, line feed and carriage return
// spelled \\, \t, \n and \r as in the import format, so that one value
// always stays on one line of one column.

#include <string>
#include <string_view>

namespace cardlark::db {

// Appends `bytes` to `out` converted and escaped as above.
void appendPrintable(std::string& out, std::string_view bytes);

}  // namespace cardlark::db
