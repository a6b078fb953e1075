#pragma once

// The pictures on the program's buttons, painted in code so that they stay
// crisp at any screen scale and share one style: dark outlines, a few flat
// colours, and a grey embossed look for the disabled state.

#include <QIcon>

namespace widgets {

enum class Picture {
  // toolbar
  Phone,
  Email,
  Web,
  Find,
  NoFilter,
  Clipboard,
  Info,
  NaturalOrder,
  AlphaOrder,
  Report,
  Tools,
  Help,
  // record navigator
  First,
  Prior,
  Next,
  Last,
  Insert,
  Delete,
  Edit,
  Post,
  Cancel,
};

// An icon holding the picture at `logicalSize` pixels for device pixel
// ratios 1 and 2, each in a normal and a disabled look.
QIcon pictureIcon(Picture picture, int logicalSize);

}  // namespace widgets
