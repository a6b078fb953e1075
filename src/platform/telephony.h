#pragma once

// The desktop's assisted-call service: a request that asks the desktop's
// phone application to place a call. The service is loaded for each request
// and released after it, so a service installed while the program runs is
// found at the next call. Plain C++, so the Windows backend needs no Qt; all
// texts are UTF-8.

#include <functional>
#include <string>

namespace platform {

class Telephony {
 public:
  virtual ~Telephony() = default;

  // Loads the service; false when it cannot be loaded.
  virtual bool load() = 0;
  // Looks up the request in the loaded service; false when it is missing.
  virtual bool findRequest() = 0;
  // Places the request found by findRequest(): 0 when it was accepted, a
  // negative code when it was refused.
  virtual long requestMakeCall(const std::string& destination, const std::string& appName,
                               const std::string& calledParty, const std::string& comment) = 0;
  // Releases the loaded service; harmless when none is loaded.
  virtual void release() = 0;

  // Told, later and on the caller's thread, when a request that was
  // accepted fails after all: the phone application ended with a non-zero
  // exit status. A backend that never hears back does not call it.
  using Failed = std::function<void(int exitStatus)>;
  void onFailure(Failed failed) { failed_ = std::move(failed); }

 protected:
  const Failed& failureHandler() const { return failed_; }

 private:
  Failed failed_;
};

// The process-wide instance; throws std::logic_error when none is installed.
Telephony& telephony();

// Installs `instance` (not owned; nullptr uninstalls); returns the previous one.
Telephony* setTelephony(Telephony* instance);

}  // namespace platform
