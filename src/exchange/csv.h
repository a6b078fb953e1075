#pragma once

// Comma-separated files after RFC 4180: fields in double quotes may hold
// commas, line breaks and doubled quotes; records end in CR LF, LF or CR.
// The reader takes UTF-8 with or without a byte order mark, and a file
// whose first line has no comma but semicolons (or tabs) is read with that
// separator, as some spreadsheets write it.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/read_error.h"

namespace exchange {

struct CsvRecord {
  std::size_t line = 0;  // where the record starts
  std::vector<std::string> fields;
};

// Every record, the header included; records whose fields are all empty
// are left out. ReadError for a quote left open, text after a closing
// quote, and invalid UTF-8.
std::vector<CsvRecord> readCsv(std::string_view file);

// Appends one record ending in CR LF; a field is quoted when it holds a
// comma, a quote, a line break or a leading or trailing blank.
void appendCsvRecord(std::string& out, std::span<const std::string> fields);

}  // namespace exchange
