#pragma once

#include "platform/silent_abort.h"

namespace store {

// Thrown by an event handler to stop the operation silently after it has
// shown its own message. EngineTable::post() catches it, leaves the state and
// the record buffer as they were and returns false; nothing else is reported.
// Thrown anywhere else, it is a platform::SilentAbort for the top-level
// error handler.
class Abort : public platform::SilentAbort {};

}  // namespace store
