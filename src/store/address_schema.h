#pragma once

#include <QString>

namespace store {

// The address table: file names, fields and the one index tag.
namespace address {
inline constexpr char kCreateName[] = "Address";   // name given when creating
inline constexpr char kTableName[] = "ADDRESS.DBF";  // name it is opened by
inline constexpr char kMemoFile[] = "ADDRESS.fpt";
inline constexpr char kIndexFile[] = "ADDRESS.CDX";
inline constexpr char kFieldList[] = "Name,Char,30;Info,Memo;LastDate,Date;";
inline constexpr char kTagName[] = "Address";      // name given when creating
inline constexpr char kIndexName[] = "ADDRESS";    // name it is selected by
inline constexpr char kTagKey[] = "upper(Name)";
inline constexpr int kNameWidth = 30;
inline constexpr char kName[] = "Name";
inline constexpr char kInfo[] = "Info";
inline constexpr char kLastDate[] = "LastDate";
}  // namespace address

// Creates the empty table (with its memo file) in `folder`; EngineError of
// `component` on failure, e.g. when the table exists.
void createAddressTable(const QString& folder, const QString& component = QStringLiteral("tblAddress"));

// The seek key of a name in the index: letters a to z upper-cased, cut or
// padded with blanks to the field width, as Windows-1252 text.
QString addressKey(const QString& name);

}  // namespace store
