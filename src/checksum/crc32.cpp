#include "checksum/crc32.h"

#include <libdeflate.h>
#include <zlib.h>

namespace checksum {

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
  return size == 0 ? crc : libdeflate_crc32(crc, data, size);
}

std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondSize) {
  return static_cast<std::uint32_t>(crc32_combine64(first, second, static_cast<z_off64_t>(secondSize)));
}

}  // namespace checksum
