#pragma once

// Parses a field list such as "Name,Char,30;Info,Memo;LastDate,Date;" into
// field descriptions for a new table.

#include <string_view>
#include <vector>

#include "xbase/table_types.h"

namespace xbase {

// Entries are separated by ";", parts by ","; blanks around parts are
// ignored. Types by word or letter, ignoring case: Char/Character/C (width
// 1-254 required), Memo/M, Date/D, Numeric/N (width 1-20, decimals optional),
// Logical/L, Integer/I. Names: 1-10 letters, digits or "_", starting with a
// letter, stored upper-cased, unique. A malformed list: Error Argument.
std::vector<FieldInfo> parseFieldList(std::string_view list);

}  // namespace xbase
