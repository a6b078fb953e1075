#include "platform/telephony.h"

#include "platform/service_slot.h"

namespace platform {
namespace {
ServiceSlot<Telephony> slot("Telephony");
}

Telephony& telephony() { return slot.get(); }
Telephony* setTelephony(Telephony* instance) { return slot.replace(instance); }

}  // namespace platform
