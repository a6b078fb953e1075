#include "xbase/table_files.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "xbase/dbf_text.h"

namespace xbase {
namespace {

std::filesystem::path withUsualName(const std::filesystem::path& folder, const std::string& name) {
  std::filesystem::path found = findIgnoringCase(folder, name);
  return found.empty() ? folder / name : found;
}

}  // namespace

std::vector<std::filesystem::path> filesIgnoringCase(const std::filesystem::path& folder, std::string_view name) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string entry = it->path().filename().string();
    std::error_code typeError;
    if (equalsIgnoringCase(entry, name) && it->is_regular_file(typeError)) names.push_back(std::move(entry));
  }
  std::sort(names.begin(), names.end(), [name](const std::string& a, const std::string& b) {
    if ((a == name) != (b == name)) return a == name;
    return a < b;
  });
  std::vector<std::filesystem::path> paths;
  for (const std::string& entry : names) paths.push_back(folder / entry);
  return paths;
}

std::filesystem::path findIgnoringCase(const std::filesystem::path& folder, std::string_view name) {
  std::error_code ec;
  const std::filesystem::path exact = folder / name;
  if (std::filesystem::is_regular_file(exact, ec)) return exact;  // the usual case, without reading the folder
  std::vector<std::filesystem::path> found = filesIgnoringCase(folder, name);
  return found.empty() ? std::filesystem::path() : found.front();
}

std::filesystem::path fileBeside(const std::filesystem::path& dbfPath, std::string_view extension) {
  return findIgnoringCase(dbfPath.parent_path(), dbfPath.stem().string() + std::string(extension));
}

TableFiles findTableFiles(const std::filesystem::path& folder, std::string_view tableName) {
  const std::string stem(tableName);
  return {withUsualName(folder, stem + ".DBF"), withUsualName(folder, stem + ".fpt"),
          withUsualName(folder, stem + ".CDX")};
}

}  // namespace xbase
