#pragma once

// Field values inside a raw DBF record: reading them as text and writing
// text into them, and the memo pointers that link a record to its memo
// blocks.

#include <cstdint>
#include <string>
#include <string_view>

#include "xbase/dbf_header.h"
#include "xbase/table_types.h"

namespace xbase {

// The text form of a non-memo field: Char without trailing blanks, Date
// "YYYYMMDD" or "" when blank, Numeric/Float/Logical trimmed, Integer in
// decimal. Other types give their bytes without surrounding blanks.
std::string fieldText(const FieldInfo& field, std::string_view raw);

// The bytes (exactly field.length) that store `text` in a non-memo field.
// Char is cut or blank-padded; a value that does not fit or does not parse
// throws Error Argument naming the field.
std::string encodeField(const FieldInfo& field, std::string_view text);

// Memo pointers: 10 ASCII digits right-aligned (FoxPro 2) or a 4-byte
// little-endian number (Visual FoxPro); blank or 0 means no memo. A pointer
// that is neither throws Corrupt.
std::uint32_t memoBlockOf(const FieldInfo& field, std::string_view raw);
std::string encodeMemoBlock(const FieldInfo& field, std::uint32_t block);

// A new, empty record: blanks, binary fields (Integer, 4-byte memo
// pointers) zero.
std::string blankRecord(const DbfHeader& header);

}  // namespace xbase
