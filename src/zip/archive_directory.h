#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/posix_file.h"
#include "zip/zip_records.h"

namespace zip {

// An entry of an existing archive: its central-directory values and where its
// compressed data lies in that archive file.
struct StoredEntry {
  CentralEntry central;
  std::uint64_t dataOffset = 0;     // first byte after the entry's local header
  std::uint32_t trailerLength = 0;  // data descriptor after the data (0, 12 or 16 bytes)

  std::uint64_t bytesToCopy() const { return std::uint64_t{central.compressedSize} + trailerLength; }
};

struct ArchiveDirectory {
  std::vector<StoredEntry> entries;
  std::string comment;
};

// Reads the end record and the central directory of an open archive file and
// checks each entry's local header, so that a later save can copy every
// entry's data without surprises. An empty file reads as an empty archive.
// Raises ZipError: NotAnArchive ("Unhandled Archive Type") when the file holds
// no end record, Corrupt when records point outside the file or contradict
// each other, Unsupported for Zip64 and multi-disk archives.
ArchiveDirectory readArchiveDirectory(const PosixFile& archive);

}  // namespace zip
