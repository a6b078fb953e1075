#pragma once

// Little- and big-endian integers inside file images (DBF fields are little
// endian, FPT headers big endian), read and written byte by byte so that no
// alignment or host order is assumed.

#include <cstdint>
#include <string>

namespace xbase {

inline std::uint16_t readLe16(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint32_t readLe32(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
inline std::uint32_t readBe32(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return (static_cast<std::uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}
inline std::uint16_t readBe16(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}
inline void writeLe16(char* p, std::uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}
inline void writeLe32(char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void writeBe32(char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
}
inline void writeBe16(char* p, std::uint16_t v) {
  p[0] = static_cast<char>(v >> 8);
  p[1] = static_cast<char>(v & 0xFF);
}

inline std::string hexByte(std::uint8_t v) {
  const char* digits = "0123456789ABCDEF";
  return std::string("0x") + digits[v >> 4] + digits[v & 15];
}

}  // namespace xbase
