#pragma once

// The desktop shell's open request on Windows (ShellExecuteA). Windows only;
// plain C++, texts in UTF-8, converted to the desktop's code page.

#include <string>

namespace platform::windows {

enum class ShowCommand { Normal, Minimized, Maximized, Hidden, ShowActivated };

// `owner` is the window handle (HWND) of the requesting window, or null.
// True when the shell took the request (its result above 32).
bool shellExecute(void* owner, const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& folder, ShowCommand show);

}  // namespace platform::windows
