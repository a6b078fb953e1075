// create DIR [--codepage N]: an empty ADDRESS table with its memo file and
// the tag "Address" on upper(Name), its text in code page N (1252 unless
// named).

#include <cstdio>

#include "cardlark_db/command.h"
#include "codepage/code_page.h"
#include "xbase/error.h"

namespace cardlark::db {

namespace {

codepage::CodePage namedCodePage(const std::string& text) {
  std::string known;
  for (const int number : codepage::CodePage::numbers()) known += (known.empty() ? "" : " ") + std::to_string(number);
  const bool digits = !text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos;
  const auto page = digits ? codepage::CodePage::fromNumber(std::stoi(text)) : std::nullopt;
  if (!page) throw UsageError("Unknown code page " + text + " (known: " + known + ")");
  return *page;
}

}  // namespace

int runCreate(const Arguments& arguments) {
  const codepage::CodePage page = namedCodePage(arguments.option("--codepage", "1252"));
  const std::filesystem::path dir = arguments.operands[0];
  const xbase::TableFiles files = tableFiles(dir);
  std::error_code ec;
  if (std::filesystem::exists(files.dbf, ec))
    throw xbase::Error(xbase::ErrorCode::Argument, files.dbf.string() + " already exists");
  book::createAddressTable(dir, true, page.mark());
  return kOk;
}

}  // namespace cardlark::db
