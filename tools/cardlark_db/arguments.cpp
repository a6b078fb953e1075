#include "cardlark_db/command.h"

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

}  // namespace cardlark::db
