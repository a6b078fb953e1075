#include "platform/dialogs.h"

#include "platform/service_slot.h"

namespace platform {
namespace {
ServiceSlot<Dialogs> slot("Dialogs");
}

Dialogs& dialogs() { return slot.get(); }
Dialogs* setDialogs(Dialogs* instance) { return slot.replace(instance); }

}  // namespace platform
