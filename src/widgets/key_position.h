#pragma once

// Where a name sits in alphabetical order, estimated from its first letters
// alone, and the reverse: the key at an estimated place. The grid's scroll
// bar uses them to show and to choose a place in a large table without
// counting records. Letters a to z count as A to Z; characters below A
// (blanks, digits, punctuation) sort first, characters above Z last.

#include <QString>

namespace widgets {

// 0 (before every name) to below 1 (after every name).
double keyPosition(const QString& text);

// An upper-case key of up to three characters whose position is at or just
// below `position` (0 to 1); "" for the very start.
QString keyAtPosition(double position);

}  // namespace widgets
