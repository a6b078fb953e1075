// cardlark-db: the command-line companion of the address book. It works on
// the ADDRESS table of a folder through the table engine, for scripts,
// tests and recovery. Results go to standard output; errors to standard
// error with exit status 2.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cardlark_db/command.h"
#include "xbase/error.h"

namespace {

using namespace cardlark::db;

void printUsage(std::FILE* out) {
  std::fprintf(out, "usage:\n");
  for (const Command& c : commands()) std::fprintf(out, "  cardlark-db %s %s\n", c.name, c.usage);
}

int runCommand(const Command& command, const std::vector<std::string>& raw) {
  const Arguments arguments = parseArguments(raw, command.options);
  const std::size_t n = arguments.operands.size();
  if (n < command.minOperands || n > command.maxOperands)
    throw UsageError(n < command.minOperands ? "too few operands" : "too many operands");
  // create makes the table, check reports a missing tag and reindex builds
  // it itself; every other command first settles it.
  const std::string name = command.name;
  if (name != "create" && name != "check" && name != "reindex") settleNameTag(command.name, arguments.operands[0]);
  return command.run(arguments);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage(stderr);
    return kFailure;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    printUsage(stdout);
    return kOk;
  }
  for (const Command& command : commands()) {
    if (name != command.name) continue;
    try {
      const int status = runCommand(command, std::vector<std::string>(argv + 2, argv + argc));
      if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "cardlark-db %s: cannot write the output\n", command.name);
        return kFailure;
      }
      return status;
    } catch (const UsageError& e) {
      std::fprintf(stderr, "cardlark-db %s: %s\nusage: cardlark-db %s %s\n", command.name, e.what(), command.name,
                   command.usage);
    } catch (const std::exception& e) {  // engine errors (xbase::Error) and the rest
      std::fprintf(stderr, "cardlark-db %s: %s\n", command.name, e.what());
    }
    return kFailure;
  }
  std::fprintf(stderr, "cardlark-db: unknown command %s\n", name.c_str());
  printUsage(stderr);
  return kFailure;
}
