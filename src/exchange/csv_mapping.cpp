#include "exchange/csv_mapping.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <map>

#include "exchange/csv.h"
#include "exchange/entry_items.h"
#include "xbase/dbf_text.h"

namespace exchange {
namespace {

enum class Column { Name, First, Last, Email, Phone, Web, Notes, Organisation, AddressPart, Other };

// The header in lower case without blanks and punctuation.
std::string squeezed(std::string_view header) {
  std::string out;
  for (const char c : header)
    if (std::isalnum(static_cast<unsigned char>(c))) out.push_back(xbase::asciiLower(c));
  return out;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool isOneOf(std::string_view text, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), text) != words.end();
}

// The address a column is part of, by the layouts of the mail programs'
// and web address books' exports: "Business Street", "Home City" and "Work
// ZipCode" belong to the addresses "business", "home" and "work";
// "Address 1 - Formatted" and "Address 1 - Postal Code" to "address1".
// Empty for any other column.
std::string addressOf(std::string_view h) {
  for (std::string_view prefix : {"business", "home", "work", "other"}) {
    if (!h.starts_with(prefix)) continue;
    const std::string_view rest = h.substr(prefix.size());
    if (isOneOf(rest, {"street", "street2", "street3", "address", "address2", "city", "state", "postalcode", "zipcode",
                       "countryregion", "country", "addresspobox", "pobox"}))
      return std::string(prefix);
  }
  if (!h.starts_with("address")) return {};
  std::size_t digits = 7;
  while (digits < h.size() && std::isdigit(static_cast<unsigned char>(h[digits]))) ++digits;
  if (digits == 7 || !isOneOf(h.substr(digits), {"formatted", "street", "extendedaddress", "pobox", "city", "region",
                                                 "postalcode", "country"}))
    return {};
  return std::string(h.substr(0, digits));
}

Column columnOf(std::string_view header) {
  const std::string h = squeezed(header);
  if (isOneOf(h, {"name", "fullname", "displayname", "formattedname"})) return Column::Name;
  if (isOneOf(h, {"firstname", "givenname", "given"})) return Column::First;
  if (isOneOf(h, {"lastname", "familyname", "surname", "family"})) return Column::Last;
  if (isOneOf(h, {"notes", "note", "comments", "comment"})) return Column::Notes;
  if (isOneOf(h, {"company", "organization", "organisation", "organizationname", "organization1name"}))
    return Column::Organisation;
  if (!addressOf(h).empty()) return Column::AddressPart;
  if (contains(h, "type") || contains(h, "label") || contains(h, "display")) return Column::Other;
  if (contains(h, "mail")) return Column::Email;
  if (contains(h, "phone") || contains(h, "mobile") || contains(h, "cell")) return Column::Phone;
  if (contains(h, "webpage") || contains(h, "website") || contains(h, "url") || contains(h, "homepage"))
    return Column::Web;
  return Column::Other;
}

// The values of a field: web address books join several numbers or
// addresses of one kind with " ::: ".
std::vector<std::string> valuesOf(const std::string& field) {
  std::vector<std::string> values;
  std::size_t start = 0;
  for (std::size_t at = field.find(" ::: "); at != std::string::npos; at = field.find(" ::: ", start)) {
    values.push_back(field.substr(start, at - start));
    start = at + 5;
  }
  values.push_back(field.substr(start));
  return values;
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

// The header's columns, and the addresses their parts make up.
struct Layout {
  const CsvRecord& header;
  std::vector<Column> columns;
  std::vector<std::string> addresses;  // per column: the address it is part of, or ""
};

// The lines of the addresses in `record`, each at the place of its first
// part: a formatted address as it is, else its parts joined by ", ".
std::map<std::size_t, std::string> addressLines(const Layout& layout, const CsvRecord& record) {
  std::map<std::string, std::size_t> firstColumn;
  std::map<std::size_t, std::string> parts, formatted;
  for (std::size_t i = 0; i < record.fields.size() && i < layout.columns.size(); ++i) {
    if (layout.columns[i] != Column::AddressPart) continue;
    const std::size_t at = firstColumn.emplace(layout.addresses[i], i).first->second;
    const std::string part = replaceLineBreaks(record.fields[i], ", ");
    if (part.find_first_not_of(' ') == std::string::npos) continue;
    if (squeezed(layout.header.fields[i]).ends_with("formatted")) {
      formatted[at] = part;
    } else {
      parts[at] += (parts[at].empty() ? "" : ", ") + part;
    }
  }
  for (const auto& [at, text] : formatted) parts[at] = text;
  return parts;
}

ContactDraft draftFromRecord(const Layout& layout, const CsvRecord& record, std::vector<ReadError>& warnings) {
  const CsvRecord& header = layout.header;
  std::size_t fields = record.fields.size();
  while (fields > header.fields.size() && record.fields[fields - 1].empty()) --fields;
  if (fields != header.fields.size())
    warnings.emplace_back(
        record.line, std::to_string(fields) + " fields, but the header names " + std::to_string(header.fields.size()) +
                         (fields > header.fields.size() ? "; the extra ones went into the memo" : ""));
  ContactDraft draft;
  draft.line = record.line;
  std::string first, last, organisation;
  const std::map<std::size_t, std::string> addresses = addressLines(layout, record);
  for (std::size_t i = 0; i < fields; ++i) {
    const std::string& value = record.fields[i];
    const Column column = i < layout.columns.size() ? layout.columns[i] : Column::Notes;
    switch (column) {
      case Column::Name: draft.name = value; break;
      case Column::First: first = value; break;
      case Column::Last: last = value; break;
      case Column::Email:
        for (std::string& v : valuesOf(value)) draft.addItem(book::ItemKind::Email, std::move(v));
        break;
      case Column::Phone:
        for (std::string& v : valuesOf(value)) draft.addItem(book::ItemKind::Phone, std::move(v));
        break;
      case Column::Web:
        for (std::string& v : valuesOf(value)) draft.addItem(book::ItemKind::Web, std::move(v));
        break;
      case Column::Notes: draft.addNotes(value); break;
      case Column::Organisation:
        if (organisation.empty()) organisation = value;
        draft.addLabelled(header.fields[i], value);
        break;
      case Column::AddressPart:
        if (const auto line = addresses.find(i); line != addresses.end()) draft.addLabelled("Address", line->second);
        break;
      case Column::Other: draft.addLabelled(header.fields[i], value); break;
    }
  }
  if (cleanName(draft.name).empty()) draft.name = !last.empty() && !first.empty() ? last + ", " + first : last + first;
  // A contact without a name is named by its organisation, else its first
  // e-mail address or phone number, as a card without FN or N is.
  if (cleanName(draft.name).empty()) draft.name = organisation;
  for (const book::ItemKind kind : {book::ItemKind::Email, book::ItemKind::Phone})
    for (const ContactDraft::Line& line : draft.lines)
      if (cleanName(draft.name).empty() && line.item == kind) draft.name = line.text;
  return draft;
}

}  // namespace

ReadEntries readCsvEntries(std::string_view file, const CodePage& codePage) {
  CsvFile read = readCsvFile(file);
  ReadEntries out;
  out.skipped = std::move(read.faults);
  if (read.records.empty()) {
    out.skipped.emplace_back(1, "the file is empty (a header row names the columns)");
    return out;
  }
  Layout layout{read.records.front(), {}, {}};
  for (const std::string& h : layout.header.fields) {
    layout.columns.push_back(columnOf(h));
    layout.addresses.push_back(addressOf(squeezed(h)));
  }
  out.entries.reserve(read.records.size() - 1);
  for (std::size_t i = 1; i < read.records.size(); ++i) {
    try {
      out.entries.push_back(makeEntry(draftFromRecord(layout, read.records[i], out.warnings), codePage));
    } catch (const ReadError& e) {
      out.skipped.push_back(e);
    }
  }
  sortByLine(out.skipped);
  return out;
}

std::vector<ImportedEntry> entriesFromCsv(std::string_view file, const CodePage& codePage) {
  ReadEntries read = readCsvEntries(file, codePage);
  read.throwFirstFault();
  return std::move(read.entries);
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
