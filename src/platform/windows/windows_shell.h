#pragma once

// The DesktopShell seam on Windows: the open request goes to ShellExecuteA
// with the owner window given at construction. Windows only.

#include "platform/desktop_shell.h"
#include "platform/windows/shell_execute.h"

namespace platform::windows {

class WindowsShell final : public DesktopShell {
 public:
  explicit WindowsShell(void* owner = nullptr) : owner_(owner) {}

  bool open(const QString& target, const QString& parameters, const QString& verb, ShowState showState) override {
    return shellExecute(owner_, verb.toStdString(), target.toStdString(), parameters.toStdString(), {},
                        showCommand(showState));
  }

 private:
  static ShowCommand showCommand(ShowState state) {
    switch (state) {
      case ShowState::Minimized: return ShowCommand::Minimized;
      case ShowState::Maximized: return ShowCommand::Maximized;
      case ShowState::Hidden: return ShowCommand::Hidden;
      case ShowState::Normal: break;
    }
    return ShowCommand::Normal;
  }

  void* owner_;
};

}  // namespace platform::windows
