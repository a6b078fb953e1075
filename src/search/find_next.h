#pragma once

// Find-next in a memo's text: forward from the end of the selection (or the
// caret), letters a to z compared without regard to case, matches inside
// words too, never wrapping around to the start.

#include <QString>

namespace search {

// The position of the first occurrence of `what` in `text` at or after
// selectionStart + selectionLength; -1 when there is none or `what` is empty.
qsizetype findNext(const QString& text, qsizetype selectionStart, qsizetype selectionLength, const QString& what);

}  // namespace search
