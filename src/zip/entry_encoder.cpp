#include "zip/entry_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "checksum/crc32.h"
#include "zip/parallel_deflater.h"
#include "zip/raw_deflate.h"
#include "zip/zip_error.h"

namespace zip {

namespace {

constexpr std::size_t kBlockSize = 256 * 1024;
// Files smaller than this are deflated on the calling thread: starting the
// workers would cost more than they save.
constexpr std::uint64_t kParallelMinimumSize = 8 * ParallelDeflater::kParallelBlockSize;
constexpr std::uint16_t kVersionNeededDeflated = 20;
constexpr std::uint16_t kVersionNeededStored = 10;

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

void checkFits(std::uint64_t value, const std::string& path) {
  if (value > kMax32) {
    throw ZipError(ZipErrorKind::TooLarge, "Cannot archive " + path + ": zip archives hold at most 4 GiB per entry");
  }
}

struct DataResult {
  std::uint64_t inputSize = 0;
  std::uint64_t outputSize = 0;
  std::uint32_t crc = 0;
};

// Owns a raw-deflate stream for the span of one entry.
class Deflater {
 public:
  // Compresses one block of input (flushing everything when `finish`) into `out`.
  void run(ReplacementFile& out, const unsigned char* input, std::size_t length, bool finish,
           std::vector<unsigned char>& buffer, std::uint64_t& written) {
    z_stream& stream = stream_.get();
    stream.next_in = const_cast<unsigned char*>(input);
    stream.avail_in = static_cast<uInt>(length);
    int result = Z_OK;
    do {
      stream.next_out = buffer.data();
      stream.avail_out = static_cast<uInt>(buffer.size());
      result = deflate(&stream, finish ? Z_FINISH : Z_NO_FLUSH);
      if (result == Z_STREAM_ERROR) throw ZipError(ZipErrorKind::Io, "The deflate compressor failed");
      std::size_t produced = buffer.size() - stream.avail_out;
      out.write(buffer.data(), produced);
      written += produced;
    } while (stream.avail_out == 0 || (finish && result != Z_STREAM_END));
  }

 private:
  RawDeflateStream stream_;
};

DataResult deflateFile(ReplacementFile& out, PosixFile& source) {
  DataResult result;
  Deflater deflater;
  std::vector<unsigned char> input(kBlockSize), output(kBlockSize);
  for (;;) {
    std::size_t got = source.readSome(input.data(), input.size());
    result.inputSize += got;
    checkFits(result.inputSize, source.path());
    result.crc = checksum::crc32(result.crc, input.data(), got);
    deflater.run(out, input.data(), got, got == 0, output, result.outputSize);
    if (got == 0) return result;
  }
}

// Deflates the rest of the file on `workers` threads straight into the output.
DataResult deflateFileInParallel(ReplacementFile& out, PosixFile& source, unsigned workers) {
  DataResult result;
  ParallelDeflater deflater(workers, [&out, &result](const unsigned char* data, std::size_t length) {
    out.write(data, length);
    result.outputSize += length;
  });
  std::vector<unsigned char> input(kBlockSize);
  while (std::size_t got = source.readSome(input.data(), input.size())) {
    result.inputSize += got;
    checkFits(result.inputSize, source.path());
    deflater.add(input.data(), got);
  }
  if (result.inputSize > 0) result.crc = deflater.finish();
  return result;
}

// Reads the whole file from its start in blocks, handing each to `use`;
// returns its size and CRC-32 as input size (no output counted).
template <typename Use>
DataResult readWhole(PosixFile& source, Use use) {
  DataResult result;
  std::vector<unsigned char> block(kBlockSize);
  source.rewind();
  while (std::size_t got = source.readSome(block.data(), block.size())) {
    result.inputSize += got;
    checkFits(result.inputSize, source.path());
    result.crc = checksum::crc32(result.crc, block.data(), got);
    use(block.data(), got);
  }
  return result;
}

DataResult storeFile(ReplacementFile& out, PosixFile& source) {
  DataResult result = readWhole(source,
                                [&out](const unsigned char* block, std::size_t length) { out.write(block, length); });
  result.outputSize = result.inputSize;
  return result;
}

}  // namespace

void writeFileEntry(ReplacementFile& out, PosixFile& source, CentralEntry& entry, unsigned workers) {
  std::uint64_t headerOffset = out.position();
  checkFits(headerOffset, out.temporaryPath());
  entry.localHeaderOffset = static_cast<std::uint32_t>(headerOffset);
  entry.flags = 0;
  entry.crc32 = 0;
  entry.compressedSize = 0;
  entry.uncompressedSize = 0;
  entry.method = kMethodDeflated;
  out.write(encodeLocalHeader(entry));  // final values are patched in below
  std::uint64_t dataStart = out.position();

  // Compress once straight into the output; when that came out larger than
  // the file (or the file was empty), go back and write the bytes stored.
  DataResult data = workers > 1 && source.size() >= kParallelMinimumSize ? deflateFileInParallel(out, source, workers)
                                                                         : deflateFile(out, source);
  if (data.inputSize == 0 || data.outputSize > data.inputSize) {
    out.rewindTo(dataStart);
    data = storeFile(out, source);
    entry.method = kMethodStored;
  }
  checkFits(out.position(), out.temporaryPath());
  entry.versionNeeded = entry.method == kMethodDeflated ? kVersionNeededDeflated : kVersionNeededStored;
  entry.crc32 = data.crc;
  entry.compressedSize = static_cast<std::uint32_t>(data.outputSize);
  entry.uncompressedSize = static_cast<std::uint32_t>(data.inputSize);
  out.patch(headerOffset, encodeLocalHeader(entry));
}

FileChecksum checksumFile(PosixFile& source) {
  const DataResult data = readWhole(source, [](const unsigned char*, std::size_t) {});
  return {data.inputSize, data.crc};
}

void copyBytes(ReplacementFile& out, const PosixFile& source, std::uint64_t offset, std::uint64_t length) {
  std::vector<unsigned char> block(static_cast<std::size_t>(std::min<std::uint64_t>(length, kBlockSize)));
  while (length > 0) {
    std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, block.size()));
    if (!source.readAt(offset, block.data(), chunk)) {
      throw ZipError(ZipErrorKind::Corrupt, "Damaged zip archive " + source.path() + ": an entry's data was cut short");
    }
    out.write(block.data(), chunk);
    offset += chunk;
    length -= chunk;
  }
}

}  // namespace zip
