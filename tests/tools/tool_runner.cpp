#include "tool_runner.h"

#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace cardlark::test {

namespace fs = std::filesystem;

namespace {

std::string shellQuote(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out.push_back(c);
  }
  return out + "'";
}

}  // namespace

RunResult run(const std::string& program, const std::vector<std::string>& arguments) {
  TempDir capture;
  std::string command = shellQuote(program);
  for (const std::string& a : arguments) command += " " + shellQuote(a);
  command += " >" + shellQuote((capture / "out").string()) + " 2>" + shellQuote((capture / "err").string()) +
             " </dev/null";
  const int raw = std::system(command.c_str());
  RunResult result;
  result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  result.out = readFile(capture / "out");
  result.err = readFile(capture / "err");
  return result;
}

RunResult cardlarkDb(const std::vector<std::string>& arguments) {
  return run(std::string(CARDLARK_BIN_DIR) + "/cardlark-db", arguments);
}

std::string systemPython() {
  std::error_code ec;
  return fs::exists("/usr/bin/python3", ec) ? "/usr/bin/python3" : "python3";
}

RunResult runPython(const std::string& script, const std::vector<std::string>& arguments) {
  TempDir dir;
  writeFile(dir / "script.py", script);
  std::vector<std::string> all{(dir / "script.py").string()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  return run(systemPython(), all);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void copyFiles(const fs::path& from, const fs::path& to) {
  for (const auto& entry : fs::directory_iterator(from))
    if (entry.is_regular_file()) {
      const fs::path copy = to / entry.path().filename();
      fs::copy_file(entry.path(), copy);
      fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    }
}

std::uint32_t crc32Of(std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back(digits[u >> 4]);
    out.push_back(digits[u & 15]);
  }
  return out;
}

}  // namespace cardlark::test
