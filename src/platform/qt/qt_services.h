#pragma once

#include "platform/qt/freedesktop_shell.h"
#include "platform/qt/progress_long_work.h"
#include "platform/qt/qt_dialogs.h"

namespace platform::qt {

// Installs the production Dialogs (QtDialogs), DesktopShell
// (FreedesktopShell) and LongWork (ProgressLongWork) for its lifetime and restores the previous ones after.
// Create one in main() after the QApplication.
class QtServices {
 public:
  QtServices();
  ~QtServices();
  QtServices(const QtServices&) = delete;
  QtServices& operator=(const QtServices&) = delete;

 private:
  QtDialogs dialogs_;
  FreedesktopShell shell_;
  ProgressLongWork longWork_;
  Dialogs* previousDialogs_;
  DesktopShell* previousShell_;
  LongWork* previousLongWork_;
};

}  // namespace platform::qt
