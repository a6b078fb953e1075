#pragma once

// Byte layout of the compact compound index: sizes, option bits, little- and
// big-endian field access, and the 1024-byte header that starts the file (the
// tag directory's header) and every tag.

#include <array>
#include <cstdint>
#include <string>

namespace xbase::cdx {

inline constexpr std::uint32_t kNodeSize = 512;
inline constexpr std::uint32_t kHeaderSize = 1024;    // header record + expression pool
inline constexpr std::uint32_t kNoNode = 0xFFFFFFFF;  // "no sibling" in a node
inline constexpr int kMaxKeyLength = 240;
inline constexpr int kTagNameLength = 10;  // key length of the tag directory
inline constexpr int kMaxTreeDepth = 32;   // 2^32 keys would not fit a 4 GiB file

// Index option bits (header byte 14).
inline constexpr std::uint8_t kOptionUnique = 0x01;
inline constexpr std::uint8_t kOptionFor = 0x08;
inline constexpr std::uint8_t kOptionCompact = 0x20;
inline constexpr std::uint8_t kOptionCompound = 0x40;
inline constexpr std::uint8_t kOptionDirectory = 0x80;  // the file's own tag directory

using Byte = unsigned char;

inline std::uint16_t getLe16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t getLe32(const Byte* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t getBe32(const Byte* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline void putLe16(Byte* p, std::uint32_t v) {
  p[0] = static_cast<Byte>(v);
  p[1] = static_cast<Byte>(v >> 8);
}
inline void putLe32(Byte* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<Byte>(v >> (8 * i));
}
inline void putBe32(Byte* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<Byte>(v >> (24 - 8 * i));
}

// The fields of a tag header (or of the tag directory's header at offset 0)
// that this engine reads or writes. Byte offsets: 0 root node, 4 free-node
// list, 8 change counter, 12 key length, 14 options, 15 signature, 502
// descending flag, 504/506 FOR expression position/length in the pool,
// 508/510 key expression position/length, 512.. the expression pool.
struct TagHeader {
  std::uint32_t root = 0;
  std::uint32_t freeList = 0;
  std::uint32_t counter = 0;
  int keyLength = 0;
  std::uint8_t options = kOptionCompact | kOptionCompound;
  bool descending = false;
  std::string keyExpression;
  std::string forExpression;
};

using HeaderBytes = std::array<Byte, kHeaderSize>;

// Throws Error(Corrupt) naming `where` for impossible values.
TagHeader parseTagHeader(const HeaderBytes& bytes, const std::string& where);
// Throws Error(Argument) when the expressions do not fit the pool.
HeaderBytes encodeTagHeader(const TagHeader& header);

// Error(Argument) unless a key handed in has the tag's key length.
void requireKeyLength(std::size_t keySize, std::size_t keyLength);

// Whether a node offset can hold a node of a file of `fileSize` bytes:
// 512-aligned, past the file header, inside the file.
inline bool plausibleNodeOffset(std::uint64_t offset, std::uint64_t fileSize) {
  return offset % kNodeSize == 0 && offset >= kHeaderSize && offset + kNodeSize <= fileSize;
}

}  // namespace xbase::cdx
