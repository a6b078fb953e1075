#include "report/report_output.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <optional>
#include <sstream>

#include "report/address_report.h"
#include "report/page_painter.h"
#include "report/text_export.h"
#include "zip/replacement_file.h"
#include "zip/zip_error.h"

namespace report {

namespace {

constexpr int kPdfResolution = 1200;

// The file being written, put in place of the target by commit(): a
// zip::ReplacementFile (the one writer of whole files, whose writes, flush
// and rename are all checked), and a write-only device for QPdfWriter. A
// write that fails through the device is remembered and fails the commit.
class SafeFile : public QIODevice {
 public:
  explicit SafeFile(const QString& path) : file_(replacementOf(path)) { open(QIODevice::WriteOnly); }
  void write(const std::string& bytes) {
    try {
      file_.write(bytes);
    } catch (const zip::ZipError& error) {
      throw ReportOutputError(error.what());
    }
  }
  QIODevice& device() { return *this; }
  void commit() {
    flushPending();
    if (failure_) throw ReportOutputError(*failure_);
    try {
      file_.commit();
    } catch (const zip::ZipError& error) {
      throw ReportOutputError(error.what());
    }
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  // The PDF writer writes many small pieces: they are gathered and written
  // 64 KB at a time.
  qint64 writeData(const char* data, qint64 length) override {
    if (failure_) return -1;
    pending_.append(data, static_cast<std::size_t>(length));
    if (pending_.size() >= (64u << 10)) flushPending();
    return failure_ ? -1 : length;
  }

 private:
  static zip::ReplacementFile replacementOf(const QString& path) {
    try {
      return zip::ReplacementFile(path.toStdString());
    } catch (const zip::ZipError& error) {
      throw ReportOutputError(error.what());
    }
  }
  void flushPending() {
    if (failure_ || pending_.empty()) return;
    try {
      file_.write(pending_);
    } catch (const zip::ZipError& error) {
      failure_ = error.what();
    }
    pending_.clear();
  }

  zip::ReplacementFile file_;
  std::string pending_;
  std::optional<std::string> failure_;
};

}  // namespace

void writeTextFile(const QString& path, const PageSetup& setup, const PageProducer& pages) {
  SafeFile file(path);
  std::ostringstream out;
  TextExportFilter filter(out);
  filter.start(setup.paperWidth, setup.paperHeight, kReportFontPoints);
  while (std::optional<Page> page = pages()) {
    exportPage(filter, *page);
    file.write(out.str());
    out.str({});
  }
  filter.finish();
  file.write(out.str());
  file.commit();
}

void writePdfFile(const QString& path, const PageSetup& setup, const QString& title, const PageProducer& pages) {
  SafeFile file(path);
  {
    QPdfWriter writer(&file.device());
    writer.setTitle(title);
    writer.setCreator(QString::fromLatin1(kReportTitle));
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(setup.paperWidth / 10, setup.paperHeight / 10), QPageSize::Millimeter),
                    QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    bool first = true;
    while (std::optional<Page> page = pages()) {
      if (first) {
        if (!painter.begin(&writer)) throw ReportOutputError("Cannot start the PDF file " + path.toStdString());
        first = false;
      } else {
        writer.newPage();
      }
      paintPage(painter, *page, setup, kPdfResolution / 254.0);
    }
    // A report without pages still gives a valid (blank) one-page PDF.
    if (first) painter.begin(&writer);
    painter.end();
  }
  file.commit();
}

void writeWholeFile(const QString& path, const std::string& bytes) {
  SafeFile file(path);
  file.write(bytes);
  file.commit();
}

}  // namespace report
