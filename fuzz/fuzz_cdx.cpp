// libFuzzer target for the compound index reader and its in-place writer:
// the input becomes an index file, which is opened, walked through every
// tag in both directions, searched, verified, and then changed a little.
// Any xbase::Error is an accepted outcome; a crash, hang or sanitizer report
// is a fault.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "xbase/cdx/cdx_file.h"

namespace {

std::filesystem::path scratchFile() {
  return std::filesystem::temp_directory_path() / ("fuzz_cdx_" + std::to_string(::getpid()) + ".cdx");
}

void walk(const xbase::CdxFile& cdx, int tag) {
  std::size_t n = 0;
  cdx.forEach(tag, [&](const xbase::CdxEntry&) { ++n; });
  cdx.scan(tag, std::nullopt, false, [&](const xbase::CdxEntry&) { return --n > 0; });
  if (auto first = cdx.first(tag)) {
    cdx.next(tag, *first);
    cdx.seekGE(tag, first->key.substr(0, 1));
  }
  if (auto last = cdx.last(tag)) cdx.prev(tag, *last);
  cdx.seekGE(tag, "M");
  cdx.verify(tag);
}

void change(xbase::CdxFile& cdx, int tag) {
  const std::string key(static_cast<std::size_t>(cdx.tag(tag).keyLength), 'K');
  for (std::uint32_t recno = 1; recno <= 40; ++recno) cdx.insert(tag, key, recno);
  cdx.remove(tag, key, 7);
  if (auto first = cdx.first(tag)) cdx.remove(tag, first->key, first->recno);
  cdx.verify(tag);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path path = scratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    auto cdx = xbase::CdxFile::open(path, true);
    for (int tag = 0; tag < cdx->tagCount(); ++tag) {
      try {
        walk(*cdx, tag);
        change(*cdx, tag);
      } catch (const xbase::Error&) {
      }
    }
  } catch (const xbase::Error&) {
  }
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return 0;
}
