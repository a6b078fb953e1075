#pragma once

// Running the built programs and the system's python from tests, in
// temporary folders that are removed afterwards.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_folder.h"

namespace cardlark::test {

struct RunResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

using TempDir = testsupport::TempFolder;

// Runs `program` with `arguments` (no shell interpretation of them) and
// collects its exit status, standard output and standard error.
RunResult run(const std::string& program, const std::vector<std::string>& arguments);

// cardlark-db from the build's bin folder.
RunResult cardlarkDb(const std::vector<std::string>& arguments);

// The system's python 3, where Debian installs python3-dbf and
// python3-dbfread (a python earlier on PATH may lack them).
std::string systemPython();
// Runs a python script given as text with `arguments`.
RunResult runPython(const std::string& script, const std::vector<std::string>& arguments);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);
// Copies the files of `from` (not its subfolders) into the existing `to`.
void copyFiles(const std::filesystem::path& from, const std::filesystem::path& to);

std::uint32_t crc32Of(std::string_view bytes);
std::string hex(std::string_view bytes);

}  // namespace cardlark::test
