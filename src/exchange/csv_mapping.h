#pragma once

// CSV files to entries and entries to CSV, by the rule of contact_draft.h.
//
// The first record is the header. Columns are recognised by their header,
// ignoring letter case, blanks and punctuation ("E-mail Address",
// "email_1_value"): the name ("Name", "Full Name", "Display Name"), first
// and last name, e-mail, phone (also mobile and cell), web page and notes.
// A column whose header speaks of a type or a label is not an item; a
// value holding " ::: " is several items. The parts of an address in the
// layouts of mail programs and web address books ("Home Street", "Home
// City", ...; "Address 1 - Formatted", "Address 1 - City", ...) make one
// line "Address: ...", the formatted one when there is one. The name is
// the name column, else "Last, First", else the company or organisation,
// the first e-mail address, the first phone number. Every other non-empty
// field goes into the memo as "Header: value", in column order.
//
// Export writes the header "Name,E-mail Address,Phone,Web Page,Notes": the
// first item of each kind of the entry (entry_items.h), and the memo as
// notes.

#include <string>
#include <string_view>
#include <vector>

#include "exchange/code_page.h"
#include "exchange/contact_draft.h"

namespace exchange {

// The entries of the records that can be read. Left out: a file without
// records, a record without a name, and what readCsvFile leaves out.
// Stored with a warning: a record whose number of fields is not the
// header's (fields beyond the header's go into the memo; empty ones at the
// end do not count).
ReadEntries readCsvEntries(std::string_view file, const CodePage& codePage);

// The entries of a file without faults; throws the first as ReadError.
std::vector<ImportedEntry> entriesFromCsv(std::string_view file, const CodePage& codePage);

void appendCsvHeader(std::string& out);
// A field starting with =, +, -, @, tab or CR is written with a ' before it,
// so that a spreadsheet shows it as text instead of running it as a formula,
// unless it is a phone number ("+1-919-676-9515": digits and separators
// only); reading the file back keeps that '.
void appendCsvEntry(std::string& out, const book::Entry& entry, const CodePage& codePage);

}  // namespace exchange
