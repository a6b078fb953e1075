#include "platform/desktop_shell.h"

#include "platform/service_slot.h"

namespace platform {
namespace {
ServiceSlot<DesktopShell> slot("DesktopShell");
}

DesktopShell& desktopShell() { return slot.get(); }
DesktopShell* setDesktopShell(DesktopShell* instance) { return slot.replace(instance); }

}  // namespace platform
