#include "platform/qt/qt_services.h"

namespace platform::qt {

QtServices::QtServices()
    : previousDialogs_(setDialogs(&dialogs_)),
      previousShell_(setDesktopShell(&shell_)),
      previousTelephony_(setTelephony(&telephony_)),
      previousLongWork_(setLongWork(&longWork_)) {}

QtServices::~QtServices() {
  setDialogs(previousDialogs_);
  setDesktopShell(previousShell_);
  setTelephony(previousTelephony_);
  setLongWork(previousLongWork_);
}

}  // namespace platform::qt
