#pragma once

#include <stdexcept>
#include <string>

namespace zip {

// Why an archive operation failed. The text is complete and meant for the
// user; the kind lets callers and tests tell the cases apart.
enum class ZipErrorKind {
  NotAnArchive,  // the existing file is not a zip archive at all
  Corrupt,       // it looks like a zip archive but its records are broken
  Unsupported,   // a valid archive using a feature this writer does not keep (Zip64, spanning)
  TooLarge,      // a file or the archive passes the 4 GiB limits of the classic format
  Io,            // the operating system refused a read or a write
  Stopped,       // the user stopped the write; the archive was left as it was
};

class ZipError : public std::runtime_error {
 public:
  ZipError(ZipErrorKind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
  ZipErrorKind kind() const noexcept { return kind_; }

 private:
  ZipErrorKind kind_;
};

// The text shown when an existing archive file is not in a format the writer handles.
inline constexpr const char* kUnhandledArchiveType = "Unhandled Archive Type";
// Why a FIFO, a device or a folder in place of a file to back up is refused.
inline constexpr const char* kNotAnOrdinaryFile = "not an ordinary file";

// Raises an Io error naming the action, the path and errno's text.
[[noreturn]] void throwIoError(const std::string& action, const std::string& path, int errorNumber);

}  // namespace zip
