#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "codepage/code_page.h"

namespace store {

// The tables hold single-byte ("ANSI") text in the code page their header
// names (EngineTable::codePage(); Windows-1252 by default). The program
// works in QString; conversion happens only at the table component's edge:
// EngineTable::text()/setText() convert, bytes()/setBytes() do not.
// Characters the code page cannot hold are written as '?': editors refuse
// them before they get that far (firstUnstorable, widgets/text_guard.h).
QString fromAnsi(std::string_view bytes, const codepage::CodePage& page = {});
std::string toAnsi(const QString& text, const codepage::CodePage& page = {});

// The first character of `text` that `page` cannot hold (a character
// outside the BMP counts as one), or nullopt when it can hold them all.
std::optional<char32_t> firstUnstorable(const QString& text, const codepage::CodePage& page);

// Upper-cases the letters a to z only; every other character stays as it
// is. This is the engine's xbase::asciiUpper (the rule of the index key
// "upper(Name)" and of every text comparison) for text typed in the window.
QString upperAscii(const QString& text);

// A path for the engine, in the file system's encoding (UTF-8 here), so
// that folders with non-ASCII names work; and back.
std::filesystem::path toFileSystemPath(const QString& path);
QString fromFileSystemPath(const std::filesystem::path& path);

}  // namespace store
