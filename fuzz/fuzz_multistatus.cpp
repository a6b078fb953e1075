// Fuzzes the reader of the servers' multistatus answers (PROPFIND and
// REPORT): any body is either refused with carddav::Error or read.

#include <QByteArray>
#include <cstdint>

#include "sync/dav_xml.h"
#include "sync/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    carddav::parseMultistatus(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  } catch (const carddav::Error&) {
  }
  return 0;
}
