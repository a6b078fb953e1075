#include "zip/entry_name.h"

#include <algorithm>
#include <filesystem>

namespace zip {

namespace {

constexpr std::uint16_t kZipVersion20 = 20;
constexpr std::uint16_t kHostMsDos = 0;
constexpr std::uint16_t kHostNtfs = 11;

unsigned char foldAsciiCase(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

}  // namespace

std::string bareEntryName(const std::string& filePath) { return std::filesystem::path(filePath).filename().string(); }

bool sameEntryName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return foldAsciiCase(static_cast<unsigned char>(x)) == foldAsciiCase(static_cast<unsigned char>(y));
  });
}

std::uint16_t versionMadeByFor(const std::string& entryName) {
  bool highByte = std::any_of(entryName.begin(), entryName.end(),
                              [](char c) { return static_cast<unsigned char>(c) >= 128; });
  return static_cast<std::uint16_t>(((highByte ? kHostNtfs : kHostMsDos) << 8) | kZipVersion20);
}

}  // namespace zip
