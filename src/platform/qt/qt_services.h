#pragma once

#include "platform/qt/freedesktop_shell.h"
#include "platform/qt/freedesktop_telephony.h"
#ifdef _WIN32
#include "platform/windows/windows_shell.h"
#include "platform/windows/windows_telephony.h"
#endif
#include "platform/qt/progress_long_work.h"
#include "platform/qt/qt_dialogs.h"

namespace platform::qt {

// Installs the production Dialogs (QtDialogs), DesktopShell, Telephony and
// LongWork (ProgressLongWork) for its lifetime and restores the previous ones
// after: the freedesktop backends, or on Windows the native ones.
// Create one in main() after the QApplication.
class QtServices {
 public:
  QtServices();
  ~QtServices();
  QtServices(const QtServices&) = delete;
  QtServices& operator=(const QtServices&) = delete;

 private:
  QtDialogs dialogs_;
#ifdef _WIN32
  windows::WindowsShell shell_;
  windows::WindowsTelephony telephony_;
#else
  FreedesktopShell shell_;
  FreedesktopTelephony telephony_;
#endif
  ProgressLongWork longWork_;
  Dialogs* previousDialogs_;
  DesktopShell* previousShell_;
  Telephony* previousTelephony_;
  LongWork* previousLongWork_;
};

}  // namespace platform::qt
