#include "zip/dos_date_time.h"

#include <algorithm>

namespace zip {

DosDateTime toDosDateTime(std::time_t fileTime) {
  std::tm local{};
  if (localtime_r(&fileTime, &local) == nullptr || local.tm_year < 80) {
    return {0, static_cast<std::uint16_t>((1 << 5) | 1)};  // 1980-01-01 00:00:00
  }
  if (local.tm_year > 207) {
    return {static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29),
            static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31)};  // 2107-12-31 23:59:58
  }
  DosDateTime stamp;
  stamp.time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                          (std::min(local.tm_sec, 59) / 2));
  stamp.date = static_cast<std::uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  return stamp;
}

}  // namespace zip
