#pragma once

// Finding a table's files in a folder. Tables written by other programs may
// spell their names in any case ("address.dbf", "ADDRESS.FPT"), so every
// layer and tool looks them up here, by the one rule: a file's name matches
// when it equals the wanted name ignoring the case of a to z; the exact
// spelling wins, then the others in byte order.

#include <filesystem>
#include <string_view>
#include <vector>

namespace xbase {

// Every regular file of `folder` whose name matches `name`, best first.
std::vector<std::filesystem::path> filesIgnoringCase(const std::filesystem::path& folder, std::string_view name);

// The best of them; an empty path when there is none.
std::filesystem::path findIgnoringCase(const std::filesystem::path& folder, std::string_view name);

// The file beside the table `dbfPath` with its stem and `extension` (the
// memo file ".fpt", the index ".CDX"); an empty path when there is none.
std::filesystem::path fileBeside(const std::filesystem::path& dbfPath, std::string_view extension);

// The three files of the table `tableName` ("ADDRESS") in `folder`: the
// table, its memo file and its structural index. A file that is missing
// gets the name this engine writes ("ADDRESS.DBF", "ADDRESS.fpt",
// "ADDRESS.CDX"), so opening it reports it missing.
struct TableFiles {
  std::filesystem::path dbf;
  std::filesystem::path memo;
  std::filesystem::path index;
};
TableFiles findTableFiles(const std::filesystem::path& folder, std::string_view tableName);

}  // namespace xbase
