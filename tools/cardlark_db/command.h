#pragma once

// The commands of cardlark-db. Each command lives in its own file and is
// listed once in commands.def; the table and the dispatcher come from there.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "book/table_layout.h"
#include "codepage/code_page.h"
#include "xbase/table_files.h"

namespace xbase {
class Cursor;
}

namespace cardlark::db {

// A wrong command line: reported with the command's usage, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  const char* name;  // "--order"
  bool takesValue;
};

// The command line after the command name, split into operands and options.
struct Arguments {
  std::vector<std::string> operands;
  std::map<std::string, std::string> options;  // "--deleted" -> "", "--order" -> "natural"

  bool has(const std::string& option) const { return options.count(option) > 0; }
  std::string option(const std::string& name, const std::string& fallback) const;
};

// Splits `raw` by `specs`: "--name value" and "--name=value" both work, "--"
// ends the options. An unknown option or a missing value: UsageError.
Arguments parseArguments(const std::vector<std::string>& raw, const std::vector<OptionSpec>& specs);

// A RECNO operand: decimal, 1 to `count`. Not a number: UsageError; out of
// range: Error Argument naming the table's record count.
std::uint32_t parseRecno(const std::string& text, std::uint32_t count);

// Status codes of the program.
inline constexpr int kOk = 0;
inline constexpr int kNegative = 1;  // seek found nothing, check found faults
inline constexpr int kFailure = 2;   // any error

struct Command {
  const char* name;
  const char* usage;  // the operands and options after the name
  std::vector<OptionSpec> options;
  std::size_t minOperands;
  std::size_t maxOperands;  // kAnyNumber for RECNO...
  int (*run)(const Arguments& arguments);
};

inline constexpr std::size_t kAnyNumber = static_cast<std::size_t>(-1);

const std::vector<Command>& commands();

// The files of the ADDRESS table in the folder `dir`, found ignoring the
// case of their names. The folder must exist (else Error NotFound); a file
// that is missing gets its usual name, so opening it reports it missing.
xbase::TableFiles tableFiles(const std::filesystem::path& dir);

// Builds the tag Address of the table in `dir` when it lacks it and no one
// else has the table open, and says so on standard error (as the command
// `command`); when it cannot be built, the note there says why and the
// command works without it. Quiet when the folder holds no usable table:
// the command reports that itself.
void settleNameTag(const char* command, const std::filesystem::path& dir);

// Records as the tag Address lists them (by the name's key, then by record
// number), for a table whose tag could not be built.
struct NamedRecord {
  std::string key;  // book::nameIndexKey of the name
  std::uint32_t recno;
  std::string name;
};
NamedRecord namedRecord(std::uint32_t recno, std::string name);
void sortByName(std::vector<NamedRecord>& records);

// The index of a field of the open table; Error NotFound when it lacks it.
int requireField(const xbase::Cursor& cursor, const char* name);

// The table of the operand DIR opened shared, exact comparison on (Name =
// "Smith" means the whole name) and filtered by the option --filter: the
// entries a report or an export walks in name order, by the tag Address or,
// when the table lacks it, sorted in memory.
struct EntriesByName {
  std::unique_ptr<xbase::Cursor> cursor;
  int name;
  int memo;
  // Puts the cursor on the next entry in name order, the first one at the
  // first call; false after the last.
  bool next();

  std::optional<std::vector<NamedRecord>> sorted;  // without the tag
  std::size_t at = 0;
};
EntriesByName openEntriesByName(const Arguments& arguments);

// Sets the option --filter (UTF-8, turned into the table's code page) on
// the cursor; no option clears the filter.
void applyFilterOption(xbase::Cursor& cursor, const Arguments& arguments);

// The table's code page, as its header names it.
codepage::CodePage codePageOf(const xbase::Cursor& cursor);

}  // namespace cardlark::db
