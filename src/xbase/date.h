#pragma once

// Dates as the DBF header and date fields keep them.

#include <string>

namespace xbase {

struct CalendarDate {
  int year = 0;  // full year, e.g. 2026
  int month = 0;
  int day = 0;
};

// Today in local time.
CalendarDate localToday();

// The DBF header's year byte counts from 1900 (2026 is 126); some tools write
// the two-digit year instead (26). Both give the same "YY".
int headerYearByte(const CalendarDate& date);

// "MM/DD/YY" from the header's three date bytes.
std::string formatHeaderDate(int yearByte, int month, int day);

}  // namespace xbase
