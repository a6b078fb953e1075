// Fuzzes the RTF reader and writer: any input reads without crashing, and
// what is read survives writing and reading again unchanged.

#include <cstdint>
#include <string_view>

#include "rtf/reader.h"
#include "rtf/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const rtf::Document document = rtf::read(std::string_view(reinterpret_cast<const char*>(data), size));
  rtf::plainText(document);
  if (!(rtf::read(rtf::write(document)) == document)) __builtin_trap();
  return 0;
}
