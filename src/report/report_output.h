#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <stdexcept>

#include "report/report_page.h"

namespace report {

// Hands out a report's pages one at a time; nullopt after the last.
using PageProducer = std::function<std::optional<Page>()>;

// A file that could not be written; what() names the file and the reason.
class ReportOutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The report's files. Each is written to a temporary file beside the target
// and renamed over it only when complete, so a failure leaves any earlier
// file of that name as it was and no half-written one; a target that is no
// regular file (a device, a pipe) is written directly. Pages are taken one
// at a time and not held.

// The plain-text export of the pages.
void writeTextFile(const QString& path, const PageSetup& setup, const PageProducer& pages);
// The pages as PDF, one PDF page per report page at the paper's size.
void writePdfFile(const QString& path, const PageSetup& setup, const QString& title, const PageProducer& pages);
// Any bytes (the prepared-report file).
void writeWholeFile(const QString& path, const std::string& bytes);

}  // namespace report
