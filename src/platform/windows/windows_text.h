#pragma once

// UTF-8 to the desktop's single-byte code page, for the "A" entry points of
// the Windows API. Windows only; plain C++.

#include <string>

namespace platform::windows {

std::string toAnsi(const std::string& utf8);

}  // namespace platform::windows
