#pragma once

// The prepared-report file: the laid-out pages of a report, saved from the
// preview and shown again by its "Load" without the table.
//
// Format, version 2. All numbers little-endian; reals are IEEE-754 doubles
// in tenths of a millimetre.
//
//   magic        8 bytes  "CLRPT\r\n\x1A"
//   version      u32      2
//   page set-up  6 f64    paper width, paper height, left, top, right,
//                         bottom margin
//   code page    u8       the mark of the texts' code page, as a table
//                         header holds it
//   page count   u32
//   pages        page count times:
//     number       i32     from 1
//     text count   u32
//     texts        text count times: x f64, y f64, alignment u8 (0 left,
//                  1 right), font u8 (0 regular, 1 bold), length u32, the
//                  bytes (in the code page above)
//     rule count   u32
//     rules        rule count times: x1, y1, x2, y2 f64, style u8 (0 solid,
//                  1 dash-dot-dot)
//   checksum     u64      FNV-1a of every byte before it
//
// The reader checks every count against the bytes left, every enumeration
// value, that positions are finite and within ten metres, the checksum and
// that nothing follows it; any fault is refused as a damaged file. Version 1
// files, which have no code page byte and hold Windows-1252 texts, are
// still read.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "report/report_page.h"

namespace report {

inline constexpr char kPreparedReportMagic[] = "CLRPT\r\n\x1A";
inline constexpr std::uint32_t kPreparedReportVersion = 2;
inline constexpr char kPreparedReportExtension[] = "clr";

struct PreparedReport {
  PageSetup setup;
  std::vector<Page> pages;
};

// A file that is not a prepared report, is damaged or has another version.
class PreparedReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string writePreparedReport(const PreparedReport& report);
PreparedReport readPreparedReport(std::string_view bytes);

}  // namespace report
