#pragma once

// The address book's one table as the program, cardlark-db, the benchmarks
// and the tests create and open it: file names, fields and the index tag,
// creating it, setting leftovers aside and the files a backup holds. The
// engine below knows no table in particular; this is where ours is laid out.

#include <filesystem>
#include <string>
#include <vector>

#include "xbase/cursor.h"

namespace book {

inline constexpr char kFileStem[] = "ADDRESS";       // the files' name without extension
inline constexpr char kTableName[] = "ADDRESS.DBF";  // the table file as this program writes it
inline constexpr char kMemoFile[] = "ADDRESS.fpt";
inline constexpr char kIndexFile[] = "ADDRESS.CDX";
inline constexpr char kFieldList[] = "Name,Char,30;Info,Memo;LastDate,Date;";
inline constexpr char kName[] = "Name";
inline constexpr char kInfo[] = "Info";
inline constexpr char kLastDate[] = "LastDate";
inline constexpr int kNameWidth = 30;            // the width of Name in kFieldList
inline constexpr char kTagName[] = "Address";    // the name given when creating the tag
inline constexpr char kIndexName[] = "ADDRESS";  // the name it is stored and selected by
inline constexpr char kTagKey[] = "upper(Name)";

// Creates the empty table with its memo file in `folder`, and its tag when
// `withTag`, after setting aside the memo and index files left there
// without a table (setAsideLeftovers); Error Argument when the table exists
// in any spelling of its name.
void createAddressTable(const std::filesystem::path& folder, bool withTag,
                        std::uint8_t codePageMark = xbase::kWindowsAnsiMark);

// Moves the memo and index files left in `folder` without their table (in
// any spelling of their names) aside to "<name>.orphaned", or
// "<name>.orphaned.1", ".2", ... when that name is taken, so that a new table
// made there does not cost a misplaced table its memos. Never overwrites a
// file; returns the new names. Error Io when a file cannot be moved.
std::vector<std::filesystem::path> setAsideLeftovers(const std::filesystem::path& folder);

// The files a backup of the table holds, in archive order (the table, then its
// memo file), found as the engine finds them whatever the case of their names.
std::vector<std::string> filesToBackUp(const std::filesystem::path& folder);

}  // namespace book
