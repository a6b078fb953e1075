#pragma once

#include <exception>

namespace store {

// Thrown by an event handler to stop the operation silently after it has
// shown its own message. EngineTable::post() catches it, leaves the state and
// the record buffer as they were and returns false; nothing else is reported.
class Abort : public std::exception {
 public:
  const char* what() const noexcept override { return "operation aborted"; }
};

}  // namespace store
