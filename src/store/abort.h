#pragma once

#include <exception>

namespace store {

// Ends an operation silently after its thrower has shown its own message.
// Thrown by a before-post handler, EngineTable::post() catches it, leaves the
// state and the record buffer as they were and returns false. Thrown
// anywhere else, it ends the command: the error path (store/error_box.h)
// shows nothing for it.
class Abort : public std::exception {
 public:
  const char* what() const noexcept override { return "operation aborted"; }
};

}  // namespace store
