#pragma once

#include <cstdint>
#include <string>

namespace zip {

// The name an entry gets for a file: its bare name, without any folder.
std::string bareEntryName(const std::string& filePath);

// Entry names compare without regard to the case of the letters A to Z; other
// bytes (including those of non-ASCII names) must match exactly.
bool sameEntryName(const std::string& a, const std::string& b);

// "Version made by" of a new entry: zip 2.0 in the low byte; the high byte
// names the host whose conventions the name and attributes follow: 0 (MS-DOS)
// for a plain ASCII name, 11 (NTFS) when the name holds a byte of 128 or more.
std::uint16_t versionMadeByFor(const std::string& entryName);

}  // namespace zip
