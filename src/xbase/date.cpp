#include "xbase/date.h"

#include <cstdio>
#include <ctime>

namespace xbase {

CalendarDate localToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

int headerYearByte(const CalendarDate& date) { return (date.year - 1900) & 0xFF; }

std::string formatHeaderDate(int yearByte, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d", month % 100, day % 100, yearByte % 100);
  return text;
}

}  // namespace xbase
