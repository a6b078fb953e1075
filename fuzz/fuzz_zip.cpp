// Fuzzes the zip archive reader: the input is an existing backup archive.
// Opening it must either succeed or raise ZipError; when it opens, a save
// that adds a small file copies every entry's data from it.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "zip/zip_archive.h"
#include "zip/zip_error.h"

namespace {

const std::string& folder() {
  static const std::string path = [] {
    char pattern[] = "/tmp/fuzz-zip-XXXXXX";
    return std::string(::mkdtemp(pattern));
  }();
  return path;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archivePath = folder() + "/KTdata.zip";
  const std::string addedPath = folder() + "/ADDRESS.fpt";
  static const std::uint8_t added[] = "memo text memo text memo text";
  writeFile(archivePath, data, size);
  writeFile(addedPath, added, sizeof added);
  try {
    zip::ZipArchive archive = zip::ZipArchive::open(archivePath);
    archive.freshen(addedPath);
    archive.save();
  } catch (const zip::ZipError&) {
  }
  return 0;
}
