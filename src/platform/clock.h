#pragma once

#include <QDate>

namespace platform {

// Today's local date, from one place that tests can fix.
class Clock {
 public:
  // The fixed date when one is set, otherwise the system's local date.
  static QDate today();
  // Fixes today's date (tests); an invalid date returns to the system date.
  static void setToday(const QDate& date);
};

}  // namespace platform
