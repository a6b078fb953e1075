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

LongWork* setLongWork(LongWork* instance) { return slot.replace(instance); }

}  // namespace platform
