#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "zip/dos_date_time.h"

namespace zip {

// What an entry records about its file, read from the file system.
struct FileFacts {
  std::uint64_t size = 0;
  DosDateTime stamp;
  // MS-DOS attribute bits: the archive bit (0x20) that every file written
  // since the last backup carries there, plus read-only (0x01) when the owner
  // may not write the file. Readers that honour DOS attributes restore the
  // read-only state; everything else extracts with default permissions.
  std::uint32_t externalAttributes = 0;
};

FileFacts factsOf(const struct stat& info);

}  // namespace zip
