#include "book/clock.h"

#include <ctime>
#include <mutex>

namespace book {

namespace {

std::mutex fixedMutex;
std::string fixedDate;  // empty: follow the system

std::string systemToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", &local);
  return text;
}

}  // namespace

std::string today() {
  {
    const std::lock_guard lock(fixedMutex);
    if (!fixedDate.empty()) return fixedDate;
  }
  return systemToday();
}

void fixToday(std::string_view yyyymmdd) {
  const std::lock_guard lock(fixedMutex);
  fixedDate = yyyymmdd;
}

}  // namespace book
