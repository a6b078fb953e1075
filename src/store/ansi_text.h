#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace store {

// The tables hold single-byte Windows-1252 ("ANSI") text, mapped by
// rtf/code_page.h. The program works in QString; conversion happens only at
// the table component's edge:
// EngineTable::text()/setText() convert, bytes()/setBytes() do not.
// Characters that Windows-1252 cannot hold are written as '?'.
QString fromAnsi(std::string_view bytes);
std::string toAnsi(const QString& text);

// Upper-cases the letters a to z only; every other character stays as it
// is. This is the engine's xbase::asciiUpper (the rule of the index key
// "upper(Name)" and of every text comparison) for text typed in the window.
QString upperAscii(const QString& text);

// A path for the engine, in the file system's encoding (UTF-8 here), so
// that folders with non-ASCII names work; and back.
std::filesystem::path toFileSystemPath(const QString& path);
QString fromFileSystemPath(const std::filesystem::path& path);

}  // namespace store
