#pragma once

// A temporary folder for one test, removed with everything in it at the end,
// and small helpers for reading and patching the files in it.

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "support/temp_folder.h"
#include "xbase/cursor.h"
#include "xbase/error.h"

namespace xbase::testing {

using TempFolder = testsupport::TempFolder;

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

constexpr const char* kAddressFields = "Name,Char,30;Info,Memo;LastDate,Date;";

// Creates the address table in `folder` and returns the path of its DBF.
inline std::filesystem::path createAddressTable(const std::filesystem::path& folder, int blockSize = 0) {
  createTable(folder / "Address", kAddressFields, blockSize);
  return folder / "ADDRESS.DBF";
}

// Appends one entry through `cursor`.
inline void addEntry(Cursor& cursor, const std::string& name, const std::string& memo = {},
                     const std::string& date = {}) {
  cursor.beginAppend();
  cursor.setValue("Name", name);
  if (!memo.empty()) cursor.setValue("Info", memo);
  if (!date.empty()) cursor.setValue("LastDate", date);
  cursor.post();
}

// A line of a pack journal: `file` becoming `target`, with the size and
// CRC-32 of `bytes`.
inline std::string packJournalLine(const std::string& file, const std::string& target, const std::string& bytes) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08lx",
                crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
  return file + "\t" + target + "\t" + std::to_string(bytes.size()) + "\t" + crc + "\n";
}

// The code of the engine error `action` throws; ErrorCode{} when none.
inline ErrorCode errorCodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.code();
  }
  return ErrorCode{};
}

// The names met walking the cursor from the top.
inline std::vector<std::string> walkNames(Cursor& cursor) {
  std::vector<std::string> names;
  for (cursor.first(); !cursor.eof(); cursor.skip()) names.push_back(cursor.value("Name"));
  return names;
}

}  // namespace xbase::testing
