#include "rtf/control_words.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace rtf {
namespace {

using Entry = std::pair<std::string_view, ControlWord>;

std::vector<Entry> sortedTable() {
  const auto word = [](Word w) { return ControlWord{w, 0}; };
  const auto character = [](char32_t c) { return ControlWord{Word::Character, c}; };
  std::vector<Entry> table = {
      {"par", word(Word::Paragraph)},
      {"sect", word(Word::Paragraph)},
      {"page", word(Word::Paragraph)},
      {"row", word(Word::Paragraph)},
      {"line", word(Word::LineBreak)},
      {"tab", word(Word::Tab)},
      {"cell", word(Word::Tab)},
      {"b", word(Word::Bold)},
      {"i", word(Word::Italic)},
      {"ul", word(Word::Underline)},
      {"uld", word(Word::Underline)},
      {"uldb", word(Word::Underline)},
      {"uldash", word(Word::Underline)},
      {"ulth", word(Word::Underline)},
      {"ulw", word(Word::Underline)},
      {"ulwave", word(Word::Underline)},
      {"ulnone", word(Word::UnderlineNone)},
      {"plain", word(Word::Plain)},
      {"f", word(Word::Font)},
      {"fs", word(Word::FontSize)},
      {"cf", word(Word::ForeColor)},
      {"deff", word(Word::DefaultFont)},
      {"u", word(Word::Unicode)},
      {"uc", word(Word::UnicodeSkip)},
      {"bin", word(Word::Binary)},
      {"fonttbl", word(Word::FontTable)},
      {"colortbl", word(Word::ColorTable)},
      {"red", word(Word::Red)},
      {"green", word(Word::Green)},
      {"blue", word(Word::Blue)},
      {"ansicpg", word(Word::AnsiCodePage)},
      {"emdash", character(0x2014)},
      {"endash", character(0x2013)},
      {"lquote", character(0x2018)},
      {"rquote", character(0x2019)},
      {"ldblquote", character(0x201C)},
      {"rdblquote", character(0x201D)},
      {"bullet", character(0x2022)},
      {"emspace", character(' ')},
      {"enspace", character(' ')},
      {"qmspace", character(' ')},
  };
  // Destinations without the \* mark whose content is no text of the memo.
  for (const std::string_view name :
       {"stylesheet", "info",    "pict",    "object",  "objdata", "objclass", "header",    "headerl",
        "headerr",    "headerf", "footer",  "footerl", "footerr", "footerf",  "footnote",  "annotation",
        "pn",         "fldinst", "xe",      "tc",      "rxe",     "txe",      "listtable", "listoverridetable",
        "revtbl",     "filetbl", "template"})
    table.emplace_back(name, word(Word::SkippedDestination));
  std::sort(table.begin(), table.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
  return table;
}

}  // namespace

ControlWord lookUpControlWord(std::string_view name) {
  static const std::vector<Entry> table = sortedTable();
  const auto it = std::lower_bound(table.begin(), table.end(), name,
                                   [](const Entry& e, std::string_view n) { return e.first < n; });
  return (it != table.end() && it->first == name) ? it->second : ControlWord{};
}

}  // namespace rtf
