#pragma once

// The pictures on the program's buttons, painted in code so that they stay
// crisp at any screen scale and share one style: outlines in the palette's
// button text colour, a few flat colours, and a grey (on light buttons
// embossed) look for the disabled state that stays visible on dark ones.

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

// An icon of the picture, `logicalSize` pixels square, in a normal and a
// disabled look; drawn at the device's pixel ratio in the application's
// palette whenever it is shown.
QIcon pictureIcon(Picture picture, int logicalSize);

}  // namespace widgets
