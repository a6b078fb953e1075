#pragma once

#include "platform/long_work.h"

namespace platform::qt {

// Long work on a worker thread while the user-interface thread goes on
// painting: after half a second a modal progress dialog shows the step and
// a busy bar until the work ends. Input to the windows waits meanwhile.
// Work the user may stop runs the same way under a dialog with Cancel,
// which takes input once it shows.
// Work that tells its progress runs on the user-interface thread under the
// same dialog, which then shows the step it is told and a bar of N of M.
class ProgressLongWork final : public LongWork {
 public:
  void run(const QString& step, const std::function<void()>& work) override;
  void runWithProgress(const QString& step, const std::function<void(const Progress&)>& work) override;
  void runStoppable(const QString& step, const Stoppable& work) override;
};

}  // namespace platform::qt
