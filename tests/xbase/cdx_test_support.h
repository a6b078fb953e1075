#pragma once

// Shared helpers of the CDX tests: a temporary folder, key padding,
// reading a whole tag back, and raw access to index bytes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "xbase/cdx/cdx_file.h"

namespace cdxtest {

using TempDir = xbase::testing::TempFolder;
using xbase::testing::readFile;
using xbase::testing::writeFile;

inline std::string padded(std::string key, std::size_t length = 30) {
  key.resize(length, ' ');
  return key;
}

inline std::vector<xbase::CdxEntry> allEntries(const xbase::CdxFile& cdx, int tag) {
  std::vector<xbase::CdxEntry> out;
  cdx.forEach(tag, [&](const xbase::CdxEntry& e) { out.push_back(e); });
  return out;
}

// Raw file access for tests that damage or inspect index files.
inline std::uint32_t le32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}
inline std::uint32_t be32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}
// Overwrites bytes in place (no truncation: much cheaper than rewriting).
inline void patch(const std::filesystem::path& path, std::size_t at, const std::string& bytes) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(static_cast<std::streamoff>(at));
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void putLe32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}
inline void putBe32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}

}  // namespace cdxtest
