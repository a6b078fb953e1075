#pragma once

#include "platform/long_work.h"

namespace testsupport {

// Installed for its lifetime: long work the user may stop is cancelled
// before it starts (its flag already raised), as a Cancel pressed at once
// would (after `meanwhile`, when set); other long work runs in place.
class CancelledLongWork final : public platform::LongWork {
 public:
  CancelledLongWork() : previous_(platform::setLongWork(this)) {}
  ~CancelledLongWork() override { platform::setLongWork(previous_); }
  CancelledLongWork(const CancelledLongWork&) = delete;
  CancelledLongWork& operator=(const CancelledLongWork&) = delete;

  void run(const QString&, const std::function<void()>& work) override { work(); }
  void runWithProgress(const QString&, const std::function<void(const Progress&)>& work) override {
    work([](const QString&, int, int) {});
  }
  void runStoppable(const QString&, const Stoppable& work) override {
    if (meanwhile) meanwhile();
    const std::atomic<bool> raised{true};
    work(raised);
  }

  std::function<void()> meanwhile;

 private:
  platform::LongWork* previous_;
};

}  // namespace testsupport
