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

// A zero-width space that fillTextDocument puts into long words and
// documentOf drops. Qt lays out a line by gathering the whole word that
// crosses its end, one format range at a time, so a word of thousands of
// format changes ("\b a\b0 b" repeated) or characters made every line walk
// the rest of it, quadratic time; the breaks give it a place to stop.
inline constexpr char16_t kLayoutBreak = 0x200B;

// Replaces the contents of `target` with `document`, with a kLayoutBreak
// in a word at a format change after 32 characters, anywhere after 256.
// Texts are in `page`, the table's code page.
void fillTextDocument(const rtf::Document& document, QTextDocument& target, const codepage::CodePage& page = {});

// The document `source` holds, without kLayoutBreak; characters the
// character set lacks become '?'.
// The font and colour tables start from those of `loaded` (the document the
// text came from), so that its entries keep their numbers.
rtf::Document documentOf(const QTextDocument& source, const rtf::Document& loaded = {},
                         const codepage::CodePage& page = {});

}  // namespace widgets
