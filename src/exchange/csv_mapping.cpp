#include "exchange/csv_mapping.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "exchange/csv.h"
#include "exchange/entry_items.h"
#include "xbase/dbf_text.h"

namespace exchange {
namespace {

enum class Column { Name, First, Last, Email, Phone, Web, Notes, Other };

// The header in lower case without blanks and punctuation.
std::string squeezed(std::string_view header) {
  std::string out;
  for (const char c : header)
    if (std::isalnum(static_cast<unsigned char>(c))) out.push_back(xbase::asciiLower(c));
  return out;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

Column columnOf(std::string_view header) {
  const std::string h = squeezed(header);
  for (std::string_view exact : {"name", "fullname", "displayname", "formattedname"})
    if (h == exact) return Column::Name;
  for (std::string_view exact : {"firstname", "givenname", "given"})
    if (h == exact) return Column::First;
  for (std::string_view exact : {"lastname", "familyname", "surname", "family"})
    if (h == exact) return Column::Last;
  for (std::string_view exact : {"notes", "note", "comments", "comment"})
    if (h == exact) return Column::Notes;
  if (contains(h, "type") || contains(h, "label") || contains(h, "display")) return Column::Other;
  if (contains(h, "mail")) return Column::Email;
  if (contains(h, "phone") || contains(h, "mobile") || contains(h, "cell")) return Column::Phone;
  if (contains(h, "webpage") || contains(h, "website") || contains(h, "url") || contains(h, "homepage"))
    return Column::Web;
  return Column::Other;
}

// A phone number as written: "+", "-" or a digit first, then digits,
// blanks and - ( ) . / only, at least six digits.
bool phoneNumber(std::string_view field) {
  std::size_t digits = 0;
  for (const char c : field) {
    if (std::isdigit(static_cast<unsigned char>(c)))
      ++digits;
    else if (std::string_view(" -().+/").find(c) == std::string_view::npos)
      return false;
  }
  return digits >= 6 && field.find('+', 1) == std::string_view::npos;
}

// A spreadsheet takes a cell that starts with one of =, +, -, @, tab or CR
// for a formula and runs it; a ' before such a field makes it text. A phone
// number ("+1-919-676-9515") goes out as the number: with nothing but
// digits and separators it calls no function.
std::string asSpreadsheetText(std::string field) {
  if (!field.empty() && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos &&
      !phoneNumber(field))
    field.insert(0, 1, '\'');
  return field;
}

ContactDraft draftFromRecord(const CsvRecord& header, const std::vector<Column>& columns, const CsvRecord& record) {
  if (record.fields.size() > header.fields.size())
    throw ReadError(record.line, std::to_string(record.fields.size()) + " fields, but the header names " +
                                     std::to_string(header.fields.size()));
  ContactDraft draft;
  draft.line = record.line;
  std::string first, last;
  for (std::size_t i = 0; i < record.fields.size(); ++i) {
    const std::string& value = record.fields[i];
    switch (columns[i]) {
      case Column::Name: draft.name = value; break;
      case Column::First: first = value; break;
      case Column::Last: last = value; break;
      case Column::Email: draft.addItem(book::ItemKind::Email, value); break;
      case Column::Phone: draft.addItem(book::ItemKind::Phone, value); break;
      case Column::Web: draft.addItem(book::ItemKind::Web, value); break;
      case Column::Notes: draft.addNotes(value); break;
      case Column::Other: draft.addLabelled(header.fields[i], value); break;
    }
  }
  if (cleanName(draft.name).empty()) draft.name = !last.empty() && !first.empty() ? last + ", " + first : last + first;
  return draft;
}

}  // namespace

std::vector<ImportedEntry> entriesFromCsv(std::string_view file, const CodePage& codePage) {
  const std::vector<CsvRecord> records = readCsv(file);
  if (records.empty()) throw ReadError(1, "the file is empty (a header row names the columns)");
  const CsvRecord& header = records.front();
  std::vector<Column> columns;
  for (const std::string& h : header.fields) columns.push_back(columnOf(h));
  std::vector<ImportedEntry> entries;
  entries.reserve(records.size() - 1);
  for (std::size_t i = 1; i < records.size(); ++i)
    entries.push_back(makeEntry(draftFromRecord(header, columns, records[i]), codePage));
  return entries;
}

void appendCsvHeader(std::string& out) {
  const std::array<std::string, 5> header = {"Name", "E-mail Address", "Phone", "Web Page", "Notes"};
  appendCsvRecord(out, header);
}

void appendCsvEntry(std::string& out, const book::Entry& entry, const CodePage& codePage) {
  std::array<std::string, 5> fields;
  fields[0] = fromTable(entry.name, codePage);
  fields[4] = fromTable(entry.memo, codePage);
  const book::ItemKind kinds[] = {book::ItemKind::Email, book::ItemKind::Phone, book::ItemKind::Web};
  const std::vector<EntryItem> items = entryItems(fields[0], fields[4]);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto first = std::find_if(items.begin(), items.end(),
                                    [&](const EntryItem& item) { return item.kind == kinds[i]; });
    if (first != items.end()) fields[i + 1] = first->value;
  }
  for (std::string& field : fields) field = asSpreadsheetText(std::move(field));
  appendCsvRecord(out, fields);
}

}  // namespace exchange
