#pragma once

// Shared by the DBF and FPT fuzz targets: a private folder for the table
// files, and a reader that opens the table and touches everything in it
// (every value in both directions, the count, a filter, an edit and a pack).

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "xbase/cursor.h"
#include "xbase/error.h"

namespace fuzzing {

// In memory when the system offers it: packs flush their files, which on a
// disk would make each run slow.
inline const std::filesystem::path& folder() {
  static const std::filesystem::path path = [] {
    std::error_code ec;
    const auto base = std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                                    : std::filesystem::temp_directory_path();
    std::string pattern = (base / "xbase-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return std::filesystem::path(pattern);
  }();
  // Removes the folder when the fuzzer ends.
  static const struct Cleanup {
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } cleanup;
  return path;
}

inline void writeFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(folder() / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline void readAll(xbase::Cursor& cursor) {
  const int fields = static_cast<int>(cursor.fields().size());
  for (cursor.first(); !cursor.eof(); cursor.skip())
    for (int f = 0; f < fields; ++f) cursor.value(f);
  for (cursor.last(); !cursor.bof() && !cursor.eof(); cursor.skip(-1)) cursor.deleted();
  cursor.count();
}

// Everything a user can do to the table; engine errors are the expected
// outcome for damaged files, anything else (a crash, a sanitizer report, an
// exception of another type) is a finding.
inline void exercise(const std::filesystem::path& dbf) {
  try {
    xbase::tableInfo(dbf);
    auto cursor = xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive);
    cursor->lastUpdate();
    readAll(*cursor);
    if (cursor->fieldIndex("NAME") >= 0) {
      cursor->setFilter("\"A\"$upper(Name)");
      readAll(*cursor);
      cursor->setFilter("");
    }
    cursor->first();
    if (!cursor->eof()) {
      cursor->beginEdit();
      for (int f = 0; f < static_cast<int>(cursor->fields().size()); ++f)
        if (cursor->fields()[static_cast<std::size_t>(f)].type == 'M') cursor->setValue(f, std::string(70, 'm'));
      cursor->post();
      cursor->deleteRecord();
    }
    cursor->pack();
    readAll(*cursor);
  } catch (const xbase::Error&) {
  }
}

}  // namespace fuzzing
