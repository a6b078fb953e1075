#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "support/temp_folder.h"

namespace ziptest {

using TempFolder = testsupport::TempFolder;

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// Text that deflates well, and bytes that do not deflate at all.
std::string compressibleText(std::size_t size);
std::string randomBytes(std::size_t size, std::uint32_t seed = 7);

// Sets a file's modification time to a moment of local time; returns it.
std::time_t setLocalModificationTime(const std::string& path, int year, int month, int day, int hour, int minute,
                                     int second);

// Runs a shell command; returns its standard output and sets its exit status.
std::string runShell(const std::string& command, int* status);
std::string shellQuote(const std::string& text);

std::uint16_t le16(const std::string& bytes, std::size_t at);
std::uint32_t le32(const std::string& bytes, std::size_t at);

}  // namespace ziptest
