#pragma once

#include <QString>
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
};

// Runs `work` through the installed LongWork, or directly when none is.
void runLongWork(const QString& step, const std::function<void()>& work);

// Installs `instance` (not owned; nullptr uninstalls); returns the previous one.
LongWork* setLongWork(LongWork* instance);

}  // namespace platform
