#include "zip/zip_records.h"

#include "zip/little_endian.h"

namespace zip {

namespace {

std::uint16_t lengthField(const std::string& bytes) {
  // Names, extra fields and comments come either from our own short entry
  // names or from a parsed archive, whose 16-bit length fields bound them.
  return static_cast<std::uint16_t>(bytes.size());
}

// The part that local and central headers share, from "version needed" on.
void appendCommonFields(std::string& out, const CentralEntry& entry) {
  appendLe16(out, entry.versionNeeded);
  appendLe16(out, entry.flags);
  appendLe16(out, entry.method);
  appendLe16(out, entry.modTime);
  appendLe16(out, entry.modDate);
  appendLe32(out, entry.crc32);
  appendLe32(out, entry.compressedSize);
  appendLe32(out, entry.uncompressedSize);
  appendLe16(out, lengthField(entry.name));
  appendLe16(out, lengthField(entry.extra));
}

}  // namespace

std::string encodeLocalHeader(const CentralEntry& entry) {
  std::string out;
  out.reserve(kLocalHeaderSize + entry.name.size() + entry.extra.size());
  appendLe32(out, kLocalHeaderSignature);
  appendCommonFields(out, entry);
  out += entry.name;
  out += entry.extra;
  return out;
}

std::string encodeCentralHeader(const CentralEntry& entry) {
  std::string out;
  out.reserve(kCentralHeaderSize + entry.name.size() + entry.extra.size() + entry.comment.size());
  appendLe32(out, kCentralHeaderSignature);
  appendLe16(out, entry.versionMadeBy);
  appendCommonFields(out, entry);
  appendLe16(out, lengthField(entry.comment));
  appendLe16(out, 0);  // disk number start
  appendLe16(out, entry.internalAttributes);
  appendLe32(out, entry.externalAttributes);
  appendLe32(out, entry.localHeaderOffset);
  out += entry.name;
  out += entry.extra;
  out += entry.comment;
  return out;
}

std::string encodeEndRecord(const EndRecord& end) {
  std::string out;
  out.reserve(kEndRecordSize + end.comment.size());
  appendLe32(out, kEndRecordSignature);
  appendLe16(out, 0);  // number of this disk
  appendLe16(out, 0);  // disk where the central directory starts
  appendLe16(out, end.entryCount);
  appendLe16(out, end.entryCount);
  appendLe32(out, end.directorySize);
  appendLe32(out, end.directoryOffset);
  appendLe16(out, lengthField(end.comment));
  out += end.comment;
  return out;
}

}  // namespace zip
