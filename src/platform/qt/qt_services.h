#pragma once

#include "platform/qt/freedesktop_shell.h"
#include "platform/qt/freedesktop_telephony.h"
#include "platform/qt/qt_dialogs.h"

namespace platform::qt {

// Installs the production Dialogs (QtDialogs), DesktopShell
// (FreedesktopShell) and Telephony (FreedesktopTelephony) for its lifetime and restores the previous ones after.
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
  FreedesktopTelephony telephony_;
  Dialogs* previousDialogs_;
  DesktopShell* previousShell_;
  Telephony* previousTelephony_;
};

}  // namespace platform::qt
