#include "cardlark_db/command.h"
#include "xbase/error.h"

namespace cardlark::db {

std::string Arguments::option(const std::string& name, const std::string& fallback) const {
  const auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

Arguments parseArguments(const std::vector<std::string>& raw, const std::vector<OptionSpec>& specs) {
  Arguments out;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::string& arg = raw[i];
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      out.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const OptionSpec* known = nullptr;
    for (const OptionSpec& s : specs)
      if (name == s.name) known = &s;
    if (!known) throw UsageError("unknown option " + name);
    if (!known->takesValue) {
      if (equals != std::string::npos) throw UsageError("option " + name + " takes no value");
      out.options[name] = "";
    } else if (equals != std::string::npos) {
      out.options[name] = arg.substr(equals + 1);
    } else {
      if (i + 1 >= raw.size()) throw UsageError("option " + name + " needs a value");
      out.options[name] = raw[++i];
    }
  }
  return out;
}

std::uint32_t parseRecno(const std::string& text, std::uint32_t count) {
  std::uint64_t value = 0;
  bool ok = !text.empty() && text.size() <= 10;
  for (char c : text) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (!ok) throw UsageError("\"" + text + "\" is not a record number");
  if (value < 1 || value > count)
    throw xbase::Error(xbase::ErrorCode::Argument,
                       "Record " + text + " does not exist (the table has " + std::to_string(count) + " records)");
  return static_cast<std::uint32_t>(value);
}

}  // namespace cardlark::db
