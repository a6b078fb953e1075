#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// One process-wide, replaceable service instance (not owned).
template <typename Service>
class ServiceSlot {
 public:
  explicit ServiceSlot(const char* serviceName) : serviceName_(serviceName) {}

  Service& get() const {
    if (instance_ == nullptr) throw std::logic_error(std::string("no ") + serviceName_ + " service installed");
    return *instance_;
  }

  Service* find() const { return instance_; }  // nullptr when none is installed

  Service* replace(Service* instance) {
    Service* previous = instance_;
    instance_ = instance;
    return previous;
  }

 private:
  const char* serviceName_;
  Service* instance_ = nullptr;
};

}  // namespace platform
