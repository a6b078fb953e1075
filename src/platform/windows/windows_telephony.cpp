#include "platform/windows/windows_telephony.h"

#include <windows.h>

#include "platform/windows/windows_text.h"

namespace platform::windows {

bool WindowsTelephony::load() {
  release();
  library_ = LoadLibraryA("TAPI32.DLL");
  return library_ != nullptr;
}

bool WindowsTelephony::findRequest() {
  if (library_ == nullptr) return false;
  const FARPROC found = GetProcAddress(static_cast<HMODULE>(library_), "tapiRequestMakeCall");
  request_ = reinterpret_cast<RequestMakeCall>(reinterpret_cast<void*>(found));
  return request_ != nullptr;
}

long WindowsTelephony::requestMakeCall(const std::string& destination, const std::string& appName,
                                       const std::string& calledParty, const std::string& comment) {
  if (request_ == nullptr) return -1;
  const std::string texts[] = {toAnsi(destination), toAnsi(appName), toAnsi(calledParty), toAnsi(comment)};
  return request_(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str());
}

void WindowsTelephony::release() {
  request_ = nullptr;
  if (library_ != nullptr) FreeLibrary(static_cast<HMODULE>(library_));
  library_ = nullptr;
}

}  // namespace platform::windows
