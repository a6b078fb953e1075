#include "fake_desktop_shell.h"

namespace testsupport {

FakeDesktopShell::FakeDesktopShell() : previous_(platform::setDesktopShell(this)) {}

FakeDesktopShell::~FakeDesktopShell() { platform::setDesktopShell(previous_); }

bool FakeDesktopShell::open(const QString& target, const QString& parameters, const QString& verb,
                            platform::ShowState showState) {
  requests_.push_back({target, parameters, verb, showState});
  return result_;
}

}  // namespace testsupport
