#pragma once

#include <QDate>

#include "platform/clock.h"

namespace testsupport {

// Fixes today's date for its lifetime.
class FixedClock {
 public:
  explicit FixedClock(const QDate& today) { platform::Clock::setToday(today); }
  ~FixedClock() { platform::Clock::setToday(QDate()); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
};

}  // namespace testsupport
