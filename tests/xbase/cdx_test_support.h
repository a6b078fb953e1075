#pragma once

// Shared helpers of the CDX tests: a temporary folder, key padding, and
// reading a whole tag back.

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "xbase/cdx_file.h"

namespace cdxtest {

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("cdx_test_" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::string padded(std::string key, std::size_t length = 30) {
  key.resize(length, ' ');
  return key;
}

inline std::vector<xbase::CdxEntry> allEntries(const xbase::CdxFile& cdx, int tag) {
  std::vector<xbase::CdxEntry> out;
  cdx.forEach(tag, [&](const xbase::CdxEntry& e) { out.push_back(e); });
  return out;
}

}  // namespace cdxtest
