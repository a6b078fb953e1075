#pragma once

// Rich-text memos between the RTF document model (rtf/document.h, text in the
// tables' single-byte character set) and a QTextDocument for display and
// editing. Formats carried both ways: bold, italic, underline, font family,
// size (half points <-> points) and text colour; paragraphs are blocks, line
// breaks inside a paragraph are QChar::LineSeparator, tabs stay tabs.

#include <QTextDocument>

#include "codepage/code_page.h"
#include "rtf/document.h"

namespace widgets {

// Replaces the contents of `target` with `document`.
// Texts are in `page`, the table's code page.
void fillTextDocument(const rtf::Document& document, QTextDocument& target, const codepage::CodePage& page = {});

// The document `source` holds; characters the character set lacks become '?'.
// The font and colour tables start from those of `loaded` (the document the
// text came from), so that its entries keep their numbers.
rtf::Document documentOf(const QTextDocument& source, const rtf::Document& loaded = {},
                         const codepage::CodePage& page = {});

}  // namespace widgets
