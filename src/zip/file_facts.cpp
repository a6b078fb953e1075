#include "zip/file_facts.h"

namespace zip {

namespace {
constexpr std::uint32_t kDosReadOnly = 0x01;
constexpr std::uint32_t kDosArchive = 0x20;
}  // namespace

FileFacts factsOf(const struct stat& info) {
  FileFacts facts;
  facts.size = static_cast<std::uint64_t>(info.st_size);
  facts.stamp = toDosDateTime(info.st_mtime);
  facts.externalAttributes = kDosArchive | ((info.st_mode & S_IWUSR) ? 0 : kDosReadOnly);
  return facts;
}

}  // namespace zip
