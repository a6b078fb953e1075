#pragma once

#include <QString>

namespace platform {

// How a window started by an open request is shown.
enum class ShowState { Normal, Minimized, Maximized, Hidden };

// The desktop's "open" request: a document, a URL or a program, with an
// optional parameter text and verb ("open" or empty for the default action).
// Callers never look at the result; it says whether the request was handed on.
class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  virtual bool open(const QString& target, const QString& parameters = {}, const QString& verb = {},
                    ShowState showState = ShowState::Normal) = 0;
};

// The process-wide instance; throws std::logic_error when none is installed
// (the program installs FreedesktopShell through platform::qt::QtServices).
DesktopShell& desktopShell();

// Installs `instance` (not owned; nullptr uninstalls); returns the previous one.
DesktopShell* setDesktopShell(DesktopShell* instance);

}  // namespace platform
