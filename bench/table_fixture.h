#pragma once

// One generated address table shared by the benchmarks of a run: built once
// in a scratch folder, copied where a benchmark writes.

#include <filesystem>
#include <string>
#include <vector>

#include "entry_generator.h"

namespace bench {

class TableFixture {
 public:
  static void setEntries(std::size_t count);
  // Uses the table in `dir` (made by cardlark-db import, say) as the shared
  // table instead of generating one; the entry count is its record count.
  static void useTable(const std::filesystem::path& dir);
  static std::size_t entries();
  static const std::vector<Entry>& generated();
  // Creates ADDRESS with its tag ADDRESS on upper(Name) in `dir` and appends
  // the entries in bulk, as a large import does.
  static void createAndImport(const std::filesystem::path& dir, const std::vector<Entry>& entries);
  static std::filesystem::path sharedTable();  // .../ADDRESS.DBF, built on first use
  static std::filesystem::path copyOfSharedTable(const std::string& name);
  static std::filesystem::path scratchFolder(const std::string& name);  // empty, fresh
  static const std::vector<std::string>& sampleKeys();                  // upper-cased names, shuffled
  static void cleanUp();
};

}  // namespace bench
