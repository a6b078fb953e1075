#pragma once

// A read-only examination of a table's files, for `cardlark-db check` and
// for recovery after a crash: the DBF header against the file size, every
// memo pointer against the memo file, and each index tag's order and keys
// against the records. It reports faults as text and never throws for
// damaged content.

#include <filesystem>
#include <string>
#include <vector>

namespace xbase {

// One line per fault, naming the file and where; empty when sound. At most
// `maxPerKind` lines are given for one kind of fault in one file or tag,
// followed by a line saying how many more there were.
std::vector<std::string> checkTable(const std::filesystem::path& dbfPath, std::size_t maxPerKind = 20);

}  // namespace xbase
