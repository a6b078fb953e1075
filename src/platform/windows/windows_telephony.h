#pragma once

// The assisted-call request of the Windows telephony interface: the library
// "TAPI32.DLL" is loaded for each request, "tapiRequestMakeCall" looked up in
// it and called, and the library freed again. Windows only; plain C++.

#include "platform/telephony.h"

namespace platform::windows {

class WindowsTelephony final : public Telephony {
 public:
  WindowsTelephony() = default;
  ~WindowsTelephony() override { release(); }
  WindowsTelephony(const WindowsTelephony&) = delete;
  WindowsTelephony& operator=(const WindowsTelephony&) = delete;

  bool load() override;
  bool findRequest() override;
  long requestMakeCall(const std::string& destination, const std::string& appName, const std::string& calledParty,
                       const std::string& comment) override;
  void release() override;

 private:
  using RequestMakeCall = long(__stdcall*)(const char*, const char*, const char*, const char*);

  void* library_ = nullptr;  // HMODULE
  RequestMakeCall request_ = nullptr;
};

}  // namespace platform::windows
