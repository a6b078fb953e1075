#pragma once

// A contact as an exchange file carries it, in UTF-8, and the one rule that
// turns it into an entry of the table (NAME and memo). Every reader (vCard,
// CSV) fills a draft, so all of them share that rule:
//
// - NAME is the draft's name with line breaks, tabs and other control
//   characters as blanks, without blanks at either end, in the table's code
//   page, cut to the field's width. A name with nothing else is no name.
// - The memo holds one block per line of the draft, in the draft's order,
//   joined by CR LF: notes as they are (their line breaks as CR LF),
//   labelled values as "Label: value" on one line.
// - A contact item (phone, e-mail, web address) is written as the line
//   "Phone: ...", "Email: ..." or "WebSite: ...", its types in the label
//   ("Phone (cell): ..."), unless NAME or the notes already give it: as an
//   item an export takes (entry_items.h), or as the value itself or every
//   item that the contact rules find in that line. Our own export writes
//   the memo as notes and each item of NAME and memo as an item of its own, so an entry that went out and came
//   back has its memo byte for byte, while a foreign card keeps every number
//   and address that the notes do not already hold.
//
// Characters the code page lacks become "?" and are counted.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "book/entry.h"
#include "book/item_kind.h"
#include "exchange/code_page.h"
#include "exchange/read_error.h"

namespace exchange {

struct ContactDraft {
  struct Line {
    std::optional<book::ItemKind> item;  // a contact item's line
    bool notes = false;                  // free text kept as it is
    std::string label;                   // otherwise "Label: text"
    std::string text;
  };

  std::size_t line = 0;  // where the contact starts in its file
  std::string name;
  std::vector<Line> lines;

  // `type` names the item's types ("cell", "work,voice"), "" for none.
  void addItem(book::ItemKind kind, std::string value, std::string_view type = {});
  void addNotes(std::string text);
  void addLabelled(std::string label, std::string text);
};

struct ImportedEntry {
  book::Entry entry;
  std::size_t replaced = 0;  // characters the code page could not hold
  std::size_t line = 0;      // where it starts in its file
};

// What a reader made of a file: the entries it could read, and what it
// left out or stored despite a fault, each in file order.
struct ReadEntries {
  std::vector<ImportedEntry> entries;
  std::vector<ReadError> skipped;   // a contact (or text) left out, and why
  std::vector<ReadError> warnings;  // a contact stored despite a fault, and which

  // Throws the fault of the lowest line, skipped or warned, when there is one:
  // for the callers that take a file whole or not at all.
  void throwFirstFault() const;
};

// The entry of `draft` by the rule above; ReadError at the draft's line
// when it has no name.
ImportedEntry makeEntry(const ContactDraft& draft, const CodePage& codePage);

// `name` as NAME holds it, before the code page and the cut: ASCII control
// characters (NUL, tab, line breaks, ...) as blanks, no blanks at either end.
// Empty when nothing else is left: the contact has no name.
std::string cleanName(std::string_view name);

// Line breaks (CR LF, CR, LF) in `text` replaced by `breakWith`.
std::string replaceLineBreaks(std::string_view text, std::string_view breakWith);

}  // namespace exchange
