#pragma once

// Writing a Document as RTF that read() turns back into the same document.

#include <string>

#include "codepage/code_page.h"
#include "rtf/document.h"

namespace rtf {

// The markup of a document: the font and colour tables, then each paragraph
// closed by \par. '\\', '{' and '}' are escaped, tabs and line breaks become
// \tab and \line, and other control bytes and bytes from 128 on become \'hh,
// bytes of `page` (the table's code page, named by \ansicpg).
std::string write(const Document& document, const codepage::CodePage& page = {});

}  // namespace rtf
