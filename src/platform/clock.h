#pragma once

#include <QDate>

namespace platform {

// Today's local date as Qt shows it: the address book's own clock
// (book/clock.h), which stamps every entry stored, so fixing it here fixes
// the date of every writer.
class Clock {
 public:
  // The fixed date when one is set, otherwise the system's local date.
  static QDate today();
  // Fixes today's date (tests); an invalid date returns to the system date.
  static void setToday(const QDate& date);
};

}  // namespace platform
