#pragma once

#include <QString>
#include <vector>

#include "platform/desktop_shell.h"

namespace testsupport {

// Records every open request; installs itself for its lifetime.
class FakeDesktopShell final : public platform::DesktopShell {
 public:
  struct Request {
    QString target;
    QString parameters;
    QString verb;
    platform::ShowState showState;
  };

  FakeDesktopShell();
  ~FakeDesktopShell() override;
  FakeDesktopShell(const FakeDesktopShell&) = delete;
  FakeDesktopShell& operator=(const FakeDesktopShell&) = delete;

  bool open(const QString& target, const QString& parameters, const QString& verb,
            platform::ShowState showState) override;

  const std::vector<Request>& requests() const { return requests_; }
  // What open() returns (callers should not look at it).
  void setResult(bool result) { result_ = result; }

 private:
  std::vector<Request> requests_;
  bool result_ = true;
  platform::DesktopShell* previous_;
};

}  // namespace testsupport
