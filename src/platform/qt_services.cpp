#include "platform/qt_services.h"

namespace platform {

QtServices::QtServices()
    : previousDialogs_(setDialogs(&dialogs_)), previousShell_(setDesktopShell(&shell_)) {}

QtServices::~QtServices() {
  setDialogs(previousDialogs_);
  setDesktopShell(previousShell_);
}

}  // namespace platform
