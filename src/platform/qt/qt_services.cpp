#include "platform/qt/qt_services.h"

namespace platform::qt {

QtServices::QtServices()
    : previousDialogs_(setDialogs(&dialogs_)), previousShell_(setDesktopShell(&shell_)),
      previousTelephony_(setTelephony(&telephony_)) {}

QtServices::~QtServices() {
  setDialogs(previousDialogs_);
  setDesktopShell(previousShell_);
  setTelephony(previousTelephony_);
}

}  // namespace platform::qt
