#include "zip/archive_directory.h"

#include <algorithm>
#include <optional>

#include "zip/little_endian.h"
#include "zip/zip_error.h"

namespace zip {

namespace {

constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kMaxCommentLength = 0xFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
// Far above any backup's directory (a few entries) yet small enough to hold in memory.
constexpr std::uint32_t kMaxDirectorySize = 32u << 20;

struct EndLocation {
  std::uint64_t offset = 0;
  std::string record;  // the 22 fixed bytes and the comment
};

[[noreturn]] void corrupt(const PosixFile& archive, const std::string& detail) {
  throw ZipError(ZipErrorKind::Corrupt, "Damaged zip archive " + archive.path() + ": " + detail);
}

[[noreturn]] void unsupported(const PosixFile& archive, const std::string& detail) {
  throw ZipError(ZipErrorKind::Unsupported, "Unsupported zip archive " + archive.path() + ": " + detail);
}

std::string readBytes(const PosixFile& archive, std::uint64_t offset, std::size_t length, const char* what) {
  std::string bytes(length, '\0');
  if (!archive.readAt(offset, bytes.data(), length))
    corrupt(archive, std::string(what) + " lies past the end of the file");
  return bytes;
}

const unsigned char* bytesOf(const std::string& s, std::size_t at = 0) {
  return reinterpret_cast<const unsigned char*>(s.data()) + at;
}

// The end record sits in the last 22 + 65535 bytes. Searching backwards, the
// first signature whose comment ends exactly at the end of the file wins; one
// whose comment merely fits is taken when there is no exact one.
EndLocation findEndRecord(const PosixFile& archive, std::uint64_t fileSize) {
  std::size_t tailSize = static_cast<std::size_t>(
      std::min<std::uint64_t>(fileSize, kEndRecordSize + kMaxCommentLength));
  std::uint64_t tailStart = fileSize - tailSize;
  std::string tail = readBytes(archive, tailStart, tailSize, "the end of the archive");
  std::optional<std::size_t> fitting;
  for (std::size_t at = tailSize - kEndRecordSize + 1; at-- > 0;) {
    if (readLe32(bytesOf(tail, at)) != kEndRecordSignature) continue;
    std::size_t commentLength = readLe16(bytesOf(tail, at + 20));
    std::size_t recordEnd = at + kEndRecordSize + commentLength;
    if (recordEnd == tailSize) return {tailStart + at, tail.substr(at)};
    if (recordEnd < tailSize && !fitting) fitting = at;
  }
  if (!fitting) throw ZipError(ZipErrorKind::NotAnArchive, kUnhandledArchiveType);
  std::size_t at = *fitting;
  return {tailStart + at, tail.substr(at, kEndRecordSize + readLe16(bytesOf(tail, at + 20)))};
}

bool hasZip64Extra(const std::string& extra) {
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    if (readLe16(bytesOf(extra, at)) == kZip64ExtraId) return true;
    at += 4 + readLe16(bytesOf(extra, at + 2));
  }
  return false;
}

// Parses one central record at `at` of the directory bytes; moves `at` past it.
CentralEntry parseCentralRecord(const PosixFile& archive, const std::string& directory, std::size_t& at) {
  if (at + kCentralHeaderSize > directory.size() || readLe32(bytesOf(directory, at)) != kCentralHeaderSignature) {
    corrupt(archive, "central directory record " + std::to_string(at) + " is missing or cut short");
  }
  const unsigned char* p = bytesOf(directory, at);
  CentralEntry entry;
  entry.versionMadeBy = readLe16(p + 4);
  entry.versionNeeded = readLe16(p + 6);
  entry.flags = readLe16(p + 8);
  entry.method = readLe16(p + 10);
  entry.modTime = readLe16(p + 12);
  entry.modDate = readLe16(p + 14);
  entry.crc32 = readLe32(p + 16);
  entry.compressedSize = readLe32(p + 20);
  entry.uncompressedSize = readLe32(p + 24);
  std::size_t nameLength = readLe16(p + 28);
  std::size_t extraLength = readLe16(p + 30);
  std::size_t commentLength = readLe16(p + 32);
  std::uint16_t diskStart = readLe16(p + 34);
  entry.internalAttributes = readLe16(p + 36);
  entry.externalAttributes = readLe32(p + 38);
  entry.localHeaderOffset = readLe32(p + 42);
  std::size_t variableStart = at + kCentralHeaderSize;
  std::size_t recordEnd = variableStart + nameLength + extraLength + commentLength;
  if (recordEnd > directory.size()) corrupt(archive, "a central directory record runs past the directory");
  entry.name = directory.substr(variableStart, nameLength);
  entry.extra = directory.substr(variableStart + nameLength, extraLength);
  entry.comment = directory.substr(variableStart + nameLength + extraLength, commentLength);
  if (diskStart != 0) unsupported(archive, "entry " + entry.name + " lies on another disk");
  if (hasZip64Extra(entry.extra)) unsupported(archive, "entry " + entry.name + " uses Zip64 sizes");
  at = recordEnd;
  return entry;
}

// Finds where the entry's data starts and how long its data descriptor is,
// and checks that both lie before the central directory.
StoredEntry locateData(const PosixFile& archive, CentralEntry central, std::uint64_t directoryOffset) {
  std::string header = readBytes(archive, central.localHeaderOffset, kLocalHeaderSize, "a local header");
  if (readLe32(bytesOf(header)) != kLocalHeaderSignature) {
    corrupt(archive, "the local header of " + central.name + " is missing");
  }
  StoredEntry stored;
  stored.dataOffset = std::uint64_t{central.localHeaderOffset} + kLocalHeaderSize + readLe16(bytesOf(header, 26)) +
                      readLe16(bytesOf(header, 28));
  std::uint64_t dataEnd = stored.dataOffset + central.compressedSize;
  if (central.flags & kFlagDataDescriptor) {
    unsigned char signature[4] = {};
    bool hasSignature = dataEnd + 4 <= directoryOffset && archive.readAt(dataEnd, signature, 4) &&
                        readLe32(signature) == kDataDescriptorSignature;
    stored.trailerLength = hasSignature ? 16 : 12;
  }
  if (dataEnd + stored.trailerLength > directoryOffset) {
    corrupt(archive, "the data of " + central.name + " runs into the central directory");
  }
  stored.central = std::move(central);
  return stored;
}

}  // namespace

ArchiveDirectory readArchiveDirectory(const PosixFile& archive) {
  ArchiveDirectory result;
  std::uint64_t fileSize = archive.size();
  if (fileSize == 0) return result;
  if (fileSize < kEndRecordSize) throw ZipError(ZipErrorKind::NotAnArchive, kUnhandledArchiveType);

  EndLocation end = findEndRecord(archive, fileSize);
  const unsigned char* e = bytesOf(end.record);
  std::uint16_t thisDisk = readLe16(e + 4);
  std::uint16_t directoryDisk = readLe16(e + 6);
  std::uint16_t entriesHere = readLe16(e + 8);
  std::uint16_t entriesTotal = readLe16(e + 10);
  std::uint32_t directorySize = readLe32(e + 12);
  std::uint32_t directoryOffset = readLe32(e + 16);
  result.comment = end.record.substr(kEndRecordSize);

  if (thisDisk != 0 || directoryDisk != 0 || entriesHere != entriesTotal) {
    unsupported(archive, "it spans several disks");
  }
  unsigned char locator[4] = {};
  if (end.offset >= kZip64LocatorSize && archive.readAt(end.offset - kZip64LocatorSize, locator, 4) &&
      readLe32(locator) == kZip64LocatorSignature) {
    unsupported(archive, "it is a Zip64 archive");
  }
  if (std::uint64_t{directoryOffset} + directorySize > end.offset) {
    corrupt(archive, "the central directory lies outside the file");
  }
  if (directorySize > kMaxDirectorySize) unsupported(archive, "its central directory is larger than 32 MiB");

  std::string directory = readBytes(archive, directoryOffset, directorySize, "the central directory");
  std::size_t at = 0;
  result.entries.reserve(entriesTotal);
  for (std::uint32_t i = 0; i < entriesTotal; ++i) {
    result.entries.push_back(locateData(archive, parseCentralRecord(archive, directory, at), directoryOffset));
  }
  return result;
}

}  // namespace zip
