#include "platform/long_work.h"

#include "platform/service_slot.h"

namespace platform {
namespace {
ServiceSlot<LongWork> slot("LongWork");
}

void runLongWork(const QString& step, const std::function<void()>& work) {
  if (LongWork* installed = slot.find()) {
    installed->run(step, work);
    return;
  }
  work();
}

void runLongWorkWithProgress(const QString& step, const std::function<void(const LongWork::Progress&)>& work) {
  if (LongWork* installed = slot.find()) {
    installed->runWithProgress(step, work);
    return;
  }
  work([](const QString&, int, int) {});
}

void LongWork::runStoppable(const QString& step, const Stoppable& work) {
  const std::atomic<bool> never{false};
  run(step, [&] { work(never); });
}

void runStoppableLongWork(const QString& step, const LongWork::Stoppable& work) {
  if (LongWork* installed = slot.find()) {
    installed->runStoppable(step, work);
    return;
  }
  const std::atomic<bool> never{false};
  work(never);
}

LongWork* setLongWork(LongWork* instance) { return slot.replace(instance); }

}  // namespace platform
