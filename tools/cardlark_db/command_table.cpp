#include "cardlark_db/command.h"

namespace cardlark::db {

#define CARDLARK_COMMAND(name, handler, usage, least, most, ...) int handler(const Arguments& arguments);
#include "cardlark_db/commands.def"
#undef CARDLARK_COMMAND

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
#define CARDLARK_COMMAND(name, handler, usage, least, most, ...) \
  Command{name, usage, std::vector<OptionSpec>{__VA_ARGS__}, least, most, &handler},
#include "cardlark_db/commands.def"
#undef CARDLARK_COMMAND
  };
  return table;
}

}  // namespace cardlark::db
