#pragma once

#include <QString>
#include <atomic>
#include <functional>

namespace platform {

// Work that can take more than a moment (pack, reindex, backup). The
// desktop's implementation runs it off the user-interface thread and shows
// its step with a busy bar while the window stays painted; without one
// installed (tests, tools) the work simply runs where it is called.
class LongWork {
 public:
  virtual ~LongWork() = default;
  // Runs `work` to its end and rethrows its failure on the calling thread.
  // `work` must not touch widgets or objects the caller's thread uses.
  virtual void run(const QString& step, const std::function<void()>& work) = 0;

  // Told by work as it goes on: its current step and how many of that
  // step's items are done.
  using Progress = std::function<void(const QString& step, int done, int total)>;
  // Runs `work` to its end on the calling thread, for work that waits in
  // event loops of its own (network requests) and so keeps the windows
  // painted itself. Shows `step`, then each "<step>: N of M" it is told with
  // a bar, until the work ends; its failure propagates.
  virtual void runWithProgress(const QString& step, const std::function<void(const Progress&)>& work) = 0;

  // Work the user may stop (a search, a backup): as run(), with a Cancel
  // that raises the flag `work` is handed; `work` looks at it as it goes and
  // ends early, leaving nothing half done. Without a Cancel to offer, the
  // flag is never raised.
  using Stoppable = std::function<void(const std::atomic<bool>& stop)>;
  virtual void runStoppable(const QString& step, const Stoppable& work);
};

// Runs `work` through the installed LongWork, or directly when none is.
void runLongWork(const QString& step, const std::function<void()>& work);
// The same for work that tells its progress; directly, the progress goes nowhere.
void runLongWorkWithProgress(const QString& step, const std::function<void(const LongWork::Progress&)>& work);

// The same for work the user may stop; directly, it is never stopped.
void runStoppableLongWork(const QString& step, const LongWork::Stoppable& work);

// Installs `instance` (not owned; nullptr uninstalls); returns the previous one.
LongWork* setLongWork(LongWork* instance);

}  // namespace platform
