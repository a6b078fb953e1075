#pragma once

// Comma-separated files after RFC 4180: fields in double quotes may hold
// commas, line breaks and doubled quotes; records end in CR LF, LF or CR.
// The reader takes UTF-8 with or without a byte order mark (Windows-1252
// without one), and a file
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

struct CsvFile {
  std::vector<CsvRecord> records;
  std::vector<ReadError> faults;  // in file order: a record left out, and why
};

// Every record that can be read, the header included; records whose
// fields are all empty are left out. A record with a quote left open, text
// after a closing quote, an overlong field or (in a file with a byte order
// mark) text that is not UTF-8 is left out with its fault, and reading
// goes on at the next line. A file without a byte order mark that is not
// UTF-8 is read as Windows-1252.
CsvFile readCsvFile(std::string_view file);

// The records of a file without faults; throws the first fault as ReadError.
std::vector<CsvRecord> readCsv(std::string_view file);

// Appends one record ending in CR LF; a field is quoted when it holds a
// comma, semicolon, tab, quote, line break, a leading or trailing blank or
// starts with the byte order mark.
void appendCsvRecord(std::string& out, std::span<const std::string> fields);

}  // namespace exchange
