#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndRecordSize = 22;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;

// One entry's central-directory record, field for field. The local header is
// written from the same values, so an entry copied from another archive keeps
// everything it had (versions, attributes, extra field, comment).
struct CentralEntry {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t modTime = 0;
  std::uint16_t modDate = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  std::string name;     // raw bytes, no encoding assumed
  std::string extra;    // raw extra field
  std::string comment;  // raw file comment
};

// The archive always lies on one disk, so the disk numbers are written as 0.

// The end-of-central-directory values this writer uses (one disk only).
struct EndRecord {
  std::uint16_t entryCount = 0;
  std::uint32_t directorySize = 0;
  std::uint32_t directoryOffset = 0;
  std::string comment;
};

std::string encodeLocalHeader(const CentralEntry& entry);
std::string encodeCentralHeader(const CentralEntry& entry);
std::string encodeEndRecord(const EndRecord& end);

}  // namespace zip
