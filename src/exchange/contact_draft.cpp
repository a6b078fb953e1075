#include "exchange/contact_draft.h"

#include <algorithm>

#include "book/contact_items.h"
#include "book/table_layout.h"
#include "exchange/entry_items.h"
#include "exchange/read_error.h"
#include "xbase/dbf_text.h"

namespace exchange {
namespace {

// Without blanks at either end.
std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Whether the item `value`, written as `line`, is among `known`: the value
// itself, or every item the rules find in the line (none found: not known,
// so a value the rules miss is always kept).
bool foundElsewhere(book::ItemKind kind, std::string_view value, std::string_view line,
                    const std::vector<std::string>& known) {
  const auto isKnown = [&](std::string_view item) {
    return std::find(known.begin(), known.end(), item) != known.end();
  };
  if (isKnown(value)) return true;
  const std::vector<std::string> items = book::collectEntryItems(kind, "", line);
  return !items.empty() && std::all_of(items.begin(), items.end(), isKnown);
}

// The items of `kind` that NAME and the notes (table text) already give:
// what an export takes from them and what the contact rules find there.
std::vector<std::string> knownItems(book::ItemKind kind, const std::string& name, const std::string& notes,
                                    const CodePage& codePage) {
  std::vector<std::string> known = book::collectEntryItems(kind, name, notes);
  std::size_t replaced = 0;
  for (const EntryItem& item : entryItems(fromTable(name, codePage), fromTable(notes, codePage)))
    if (item.kind == kind) known.push_back(toTable(item.value, codePage, replaced));
  return known;
}

}  // namespace

void ContactDraft::addItem(book::ItemKind kind, std::string value, std::string_view type) {
  if (!value.empty()) lines.push_back({kind, false, itemLabel(kind, type), std::move(value)});
}

void ContactDraft::addNotes(std::string text) {
  if (!text.empty()) lines.push_back({std::nullopt, true, {}, std::move(text)});
}

void ContactDraft::addLabelled(std::string label, std::string text) {
  if (!text.empty()) lines.push_back({std::nullopt, false, std::move(label), std::move(text)});
}

std::string replaceLineBreaks(std::string_view text, std::string_view breakWith) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      out.push_back(text[i]);
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    out += breakWith;
  }
  return out;
}

std::string cleanName(std::string_view name) {
  std::string out(name);
  // Line breaks, tabs, NULs and the other ASCII controls: a table's name
  // holds none of them.
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return trimmed(out);
}

void ReadEntries::throwFirstFault() const {
  const ReadError* first = nullptr;
  for (const std::vector<ReadError>* faults : {&skipped, &warnings})
    for (const ReadError& fault : *faults)
      if (!first || fault.line() < first->line()) first = &fault;
  if (first) throw *first;
}

ImportedEntry makeEntry(const ContactDraft& draft, const CodePage& codePage) {
  ImportedEntry result;
  result.line = draft.line;
  const std::string name = toTable(cleanName(draft.name), codePage, result.replaced);
  if (name.empty()) throw ReadError(draft.line, "the contact has no name");
  result.entry.name = trimmed(std::string_view(name).substr(0, book::kNameWidth));

  std::string notes;  // counted below, where the notes are stored
  std::size_t notCounted = 0;
  for (const ContactDraft::Line& line : draft.lines) {
    if (line.notes) notes += toTable(replaceLineBreaks(line.text, "\r\n"), codePage, notCounted) + "\r\n";
  }
  std::optional<std::vector<std::string>> known[3];  // per kind, found in NAME and notes
  std::string& memo = result.entry.memo;
  for (const ContactDraft::Line& line : draft.lines) {
    std::string block;
    if (line.notes) {
      block = toTable(replaceLineBreaks(line.text, "\r\n"), codePage, result.replaced);
    } else {
      std::size_t replaced = 0;
      const std::string value = toTable(replaceLineBreaks(line.text, " "), codePage, replaced);
      block = toTable(line.label, codePage, replaced) + ": " + value;
      if (line.item) {
        auto& items = known[static_cast<int>(*line.item)];
        if (!items) items = knownItems(*line.item, result.entry.name, notes, codePage);
        if (foundElsewhere(*line.item, value, block, *items)) continue;
      }
      result.replaced += replaced;
    }
    if (!memo.empty()) memo += "\r\n";
    memo += block;
  }
  return result;
}

}  // namespace exchange
