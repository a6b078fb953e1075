#include "platform/windows/shell_execute.h"

// windows.h first: shellapi.h needs its definitions.
#include <windows.h>

#include <shellapi.h>

#include "platform/windows/windows_text.h"

namespace platform::windows {

namespace {

int showCommand(ShowCommand show) {
  switch (show) {
    case ShowCommand::Minimized: return SW_SHOWMINIMIZED;
    case ShowCommand::Maximized: return SW_SHOWMAXIMIZED;
    case ShowCommand::Hidden: return SW_HIDE;
    case ShowCommand::ShowActivated: return SW_SHOW;
    case ShowCommand::Normal: break;
  }
  return SW_SHOWNORMAL;
}

// Empty texts go to the shell as null pointers, as its defaults.
const char* orNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

bool shellExecute(void* owner, const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& folder, ShowCommand show) {
  const std::string ansiVerb = toAnsi(verb);
  const std::string ansiFile = toAnsi(file);
  const std::string ansiParameters = toAnsi(parameters);
  const std::string ansiFolder = toAnsi(folder);
  const HINSTANCE result = ShellExecuteA(static_cast<HWND>(owner), orNull(ansiVerb), ansiFile.c_str(),
                                         orNull(ansiParameters), orNull(ansiFolder), showCommand(show));
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform::windows
