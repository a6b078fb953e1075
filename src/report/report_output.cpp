#include "report/report_output.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <sstream>

#include "report/address_report.h"
#include "report/page_painter.h"
#include "report/text_export.h"

namespace report {

namespace {

constexpr int kPdfResolution = 1200;

class SafeFile {
 public:
  explicit SafeFile(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::WriteOnly)) fail();
  }
  void write(const std::string& bytes) {
    if (file_.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) fail();
  }
  QIODevice& device() { return file_; }
  void commit() {
    if (!file_.commit()) fail();
  }

 private:
  [[noreturn]] void fail() {
    throw ReportOutputError(
        QStringLiteral("Cannot write %1: %2").arg(file_.fileName(), file_.errorString()).toStdString());
  }
  QSaveFile file_;
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
