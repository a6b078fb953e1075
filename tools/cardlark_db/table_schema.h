#pragma once

// The address table as the address book creates it.

namespace cardlark::db {

inline constexpr const char* kTableName = "Address";
inline constexpr const char* kFieldList = "Name,Char,30;Info,Memo;LastDate,Date;";
inline constexpr const char* kTagName = "Address";
inline constexpr const char* kTagExpression = "upper(Name)";
inline constexpr const char* kNameField = "NAME";
inline constexpr const char* kMemoField = "INFO";
inline constexpr const char* kDateField = "LASTDATE";
inline constexpr int kNameWidth = 30;

}  // namespace cardlark::db
