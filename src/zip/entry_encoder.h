#pragma once

#include "zip/parallel_deflater.h"
#include "zip/posix_file.h"
#include "zip/replacement_file.h"
#include "zip/zip_records.h"

namespace zip {

// Writes one entry made from a file at the output's current position: its
// local header, then its data deflated (raw deflate, level 6), or stored when
// deflating would make it larger or the file is empty. The file is streamed
// in fixed-size blocks, so memory use does not grow with its size. On return
// `entry` holds the method, version needed, CRC-32 and sizes actually written;
// its name, stamp, attributes and extra field must be set by the caller and
// its local header offset is set here. Files of 1 MB and more are deflated
// on `workers` threads (see ParallelDeflater) when there are several.
void writeFileEntry(ReplacementFile& out, PosixFile& source, CentralEntry& entry,
                    unsigned workers = ParallelDeflater::defaultWorkers());

// The size and CRC-32 of a file's bytes, read from its start in blocks.
struct FileChecksum {
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};
FileChecksum checksumFile(PosixFile& source);

// Copies `length` bytes from `source` at `offset` to the output.
void copyBytes(ReplacementFile& out, const PosixFile& source, std::uint64_t offset, std::uint64_t length);

}  // namespace zip
