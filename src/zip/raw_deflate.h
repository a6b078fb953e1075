#pragma once

#include <zlib.h>

#include "zip/zip_error.h"

namespace zip {

// A raw-deflate stream (no zlib header, RFC 1951 data only) at level 6, the
// level zip tools use by default; ends itself when destroyed.
class RawDeflateStream {
 public:
  RawDeflateStream() {
    constexpr int kNormalLevel = 6;
    constexpr int kRawWindowBits = -15;  // negative: raw deflate, 32 KB window
    constexpr int kDefaultMemoryLevel = 8;
    if (deflateInit2(&stream_, kNormalLevel, Z_DEFLATED, kRawWindowBits, kDefaultMemoryLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
      throw ZipError(ZipErrorKind::Io, "Cannot start the deflate compressor");
    }
  }
  ~RawDeflateStream() { deflateEnd(&stream_); }
  RawDeflateStream(const RawDeflateStream&) = delete;
  RawDeflateStream& operator=(const RawDeflateStream&) = delete;

  z_stream& get() { return stream_; }

 private:
  z_stream stream_{};
};

}  // namespace zip
