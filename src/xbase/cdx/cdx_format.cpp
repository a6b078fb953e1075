#include "xbase/cdx/cdx_format.h"

#include <cstring>

#include "xbase/error.h"

namespace xbase::cdx {
namespace {

constexpr std::size_t kPoolOffset = 512;
constexpr std::size_t kPoolSize = kHeaderSize - kPoolOffset;

[[noreturn]] void corrupt(const std::string& where, const std::string& what) {
  throw Error(ErrorCode::Corrupt, "Index " + where + ": " + what);
}

// An expression stored in the pool at [pos, pos + length), NUL-terminated
// within that range when shorter.
std::string poolString(const HeaderBytes& bytes, std::size_t pos, std::size_t length, const std::string& where) {
  if (pos > kPoolSize || length > kPoolSize - pos) corrupt(where, "expression lies outside its header");
  const char* start = reinterpret_cast<const char*>(bytes.data() + kPoolOffset + pos);
  return std::string(start, strnlen(start, length));
}

}  // namespace

TagHeader parseTagHeader(const HeaderBytes& bytes, const std::string& where) {
  TagHeader h;
  h.root = getLe32(&bytes[0]);
  h.freeList = getLe32(&bytes[4]);
  h.counter = getLe32(&bytes[8]);
  h.keyLength = getLe16(&bytes[12]);
  h.options = bytes[14];
  h.descending = getLe16(&bytes[502]) != 0;
  if (h.keyLength < 1 || h.keyLength > kMaxKeyLength)
    corrupt(where, "key length " + std::to_string(h.keyLength) + " is outside 1.." + std::to_string(kMaxKeyLength));
  if ((h.options & kOptionCompact) == 0) corrupt(where, "not a compact index");
  h.forExpression = poolString(bytes, getLe16(&bytes[504]), getLe16(&bytes[506]), where);
  h.keyExpression = poolString(bytes, getLe16(&bytes[508]), getLe16(&bytes[510]), where);
  return h;
}

void requireKeyLength(std::size_t keySize, std::size_t keyLength) {
  if (keySize != keyLength)
    throw Error(ErrorCode::Argument, "Index key of " + std::to_string(keySize) + " bytes where the tag's keys have " +
                                         std::to_string(keyLength));
}

HeaderBytes encodeTagHeader(const TagHeader& h) {
  const std::size_t keyBytes = h.keyExpression.size() + 1;  // with its NUL
  const std::size_t forBytes = h.forExpression.size() + 1;
  if (keyBytes + forBytes > kPoolSize)
    throw Error(ErrorCode::Argument, "Index expressions are longer than " + std::to_string(kPoolSize - 2) + " bytes");
  HeaderBytes bytes{};
  putLe32(&bytes[0], h.root);
  putLe32(&bytes[4], h.freeList);
  putLe32(&bytes[8], h.counter);
  putLe16(&bytes[12], static_cast<std::uint32_t>(h.keyLength));
  bytes[14] = h.options;
  bytes[15] = 1;  // signature
  putLe16(&bytes[16], kHeaderSize);
  putLe16(&bytes[18], kNodeSize);
  putLe16(&bytes[502], h.descending ? 1 : 0);
  putLe16(&bytes[504], static_cast<std::uint32_t>(keyBytes));
  putLe16(&bytes[506], static_cast<std::uint32_t>(forBytes));
  putLe16(&bytes[508], 0);
  putLe16(&bytes[510], static_cast<std::uint32_t>(keyBytes));
  std::memcpy(&bytes[kPoolOffset], h.keyExpression.data(), h.keyExpression.size());
  std::memcpy(&bytes[kPoolOffset + keyBytes], h.forExpression.data(), h.forExpression.size());
  return bytes;
}

}  // namespace xbase::cdx
