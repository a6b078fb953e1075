#pragma once

#include <cstdint>
#include <ctime>

namespace zip {

// A modification stamp in the two-second MS-DOS form that zip headers carry.
struct DosDateTime {
  std::uint16_t time = 0;  // hour << 11 | minute << 5 | second / 2
  std::uint16_t date = 0;  // (year - 1980) << 9 | month << 5 | day

  friend bool operator==(const DosDateTime&, const DosDateTime&) = default;
};

// Converts a file time to the DOS form in local time. Odd seconds round down,
// as in the DOS file system. Times before 1980 or after 2107, which the form
// cannot hold, are clamped to its first and last moment.
DosDateTime toDosDateTime(std::time_t fileTime);

}  // namespace zip
