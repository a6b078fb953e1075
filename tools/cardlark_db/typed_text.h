#pragma once

// Text given on the command line (UTF-8) turned into the table's bytes by
// its code page, as text typed into the window is: a character the table
// cannot hold is refused, never stored or searched as '?'.

#include <string>
#include <string_view>

#include "codepage/code_page.h"

namespace cardlark::db {

// `utf8` in the bytes of `page`. Invalid UTF-8, or a character `page`
// lacks: UsageError naming `what` ("TEXT", "--filter") and the character.
std::string tableText(std::string_view utf8, const codepage::CodePage& page, const char* what);

}  // namespace cardlark::db
