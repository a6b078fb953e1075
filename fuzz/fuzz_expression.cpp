// Fuzzes the expression parser and evaluator: the input is the text of a
// filter or key expression, compiled against a table with every field type
// and evaluated over a few records, under both exact settings.

#include <cstdint>
#include <string>

#include "xbase/expr/expression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const xbase::RecordLayout layout = xbase::RecordLayout::fromFields({
      {"NAME", 'C', 30, 0},
      {"INFO", 'M', 10, 0},
      {"LASTDATE", 'D', 8, 0},
      {"AMOUNT", 'N', 10, 2},
      {"FLAG", 'L', 1, 0},
      {"COUNT", 'I', 4, 0},
  });
  static const std::string records[] = {
      std::string(" Smith, John                            1") + "20260315" + "    -12.50" + "T" +
          std::string("\x07\0\0\0", 4),
      std::string("*") + std::string(30, '\xE4') + "          " + "        " + "          " + "?" +
          std::string("\xFF\xFF\xFF\xFF", 4),
      std::string(64, '\0'),
  };
  try {
    const xbase::Expression e = xbase::Expression::parse(std::string_view(reinterpret_cast<const char*>(data), size),
                                                         layout);
    std::string key;
    for (const std::string& record : records) {
      for (bool exact : {false, true}) e.evaluate(record, xbase::EvalOptions{exact});
      e.key(record, key);
      if (key.size() != static_cast<std::size_t>(e.width())) __builtin_trap();
      if (e.type() == xbase::ValueType::Logical) e.matches(record);
    }
  } catch (const xbase::Error&) {
    // Malformed expressions are refused with an Error: that is the contract.
  }
  return 0;
}
