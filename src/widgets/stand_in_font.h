#pragma once

// The fonts the fixed-size dialogs were measured for, or a stand-in with
// similar widths where such a font is not installed. The controls keep their
// sizes only while their captions fit; a wider fallback (the desktop's
// default sans serif) would cut them off.

#include <QFont>

namespace widgets {

// `family` at `pixels` (em height) when installed. Otherwise Liberation Sans:
// at the same size for the outline families (it has Arial's widths), and for
// the bitmap "MS Sans Serif" at the size whose widths match the bitmap face
// the request snaps to (10, 12 or 15 pixels): that face is narrower than an
// outline font of the requested size.
QFont standInFont(const char* family, int pixels, bool bold = false, bool italic = false);

}  // namespace widgets
