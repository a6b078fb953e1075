#pragma once

#include <cstddef>
#include <cstdint>

namespace checksum {

// The CRC-32 of zip and gzip (polynomial 0xEDB88320) of `size` bytes at
// `data`, continuing from `crc` (0 to start).
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);

// The CRC-32 of two pieces one after the other, from the sums of each and
// the length of the second.
std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondSize);

}  // namespace checksum
