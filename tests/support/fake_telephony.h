#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/telephony.h"

namespace testsupport {

// Records every call request; installs itself for its lifetime. What the
// service does is scripted: whether it loads, whether it has the request,
// what the request answers (or that it throws) and how the phone
// application ends.
class FakeTelephony final : public platform::Telephony {
 public:
  struct Request {
    std::string destination;
    std::string appName;
    std::string calledParty;
    std::string comment;
  };

  FakeTelephony() : previous_(platform::setTelephony(this)) {}
  ~FakeTelephony() override { platform::setTelephony(previous_); }
  FakeTelephony(const FakeTelephony&) = delete;
  FakeTelephony& operator=(const FakeTelephony&) = delete;

  bool loadable = true;
  bool hasRequest = true;
  long result = 0;
  bool throws = false;
  int exitStatus = 0;  // non-zero: the phone application fails after the request

  int loads = 0;
  int releases = 0;
  std::vector<Request> requests;

  bool load() override {
    ++loads;
    return loadable;
  }
  bool findRequest() override { return hasRequest; }
  long requestMakeCall(const std::string& destination, const std::string& appName, const std::string& calledParty,
                       const std::string& comment) override {
    requests.push_back({destination, appName, calledParty, comment});
    if (throws) throw std::runtime_error("the telephony service failed");
    if (exitStatus != 0 && failureHandler()) failureHandler()(exitStatus);
    return result;
  }
  void release() override { ++releases; }

 private:
  platform::Telephony* previous_;
};

}  // namespace testsupport
