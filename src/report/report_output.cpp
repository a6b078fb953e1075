#include "report/report_output.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sstream>

#include "report/address_report.h"
#include "report/page_painter.h"
#include "report/text_export.h"

namespace report {

namespace {

constexpr int kPdfResolution = 1200;

// A file written beside its target and renamed over it on commit(). A
// target that exists but is no regular file (a device, a pipe) cannot be
// replaced and is written directly. Unbuffered, every write reaches the
// system at once, so that its failure carries the system's reason.
class SafeFile {
 public:
  SafeFile(const QString& path, bool buffered) {
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
      file_ = std::make_unique<QFile>(path);
    else
      file_ = std::make_unique<QSaveFile>(path);
    errno = 0;
    if (!file_->open(buffered ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Unbuffered)) fail();
  }
  // A write may take only part of the bytes (a disk filling up); the rest is
  // written again, and that write's failure tells why.
  void write(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
      errno = 0;
      const qint64 put = file_->write(bytes.data() + done, static_cast<qint64>(bytes.size() - done));
      if (put <= 0) fail();
      done += static_cast<std::size_t>(put);
    }
  }
  QIODevice& device() { return *file_; }
  void commit() {
    errno = 0;
    if (auto* save = dynamic_cast<QSaveFile*>(file_.get())) {
      if (!save->commit()) fail();
      return;
    }
    if (!file_->flush()) fail();
    file_->close();
    if (file_->error() != QFileDevice::NoError) fail();
  }

 private:
  // Qt's reason, or the system's where Qt has none ("Unknown error").
  [[noreturn]] void fail() {
    const int error = errno;
    QString reason = file_->errorString();
    if ((file_->error() == QFileDevice::NoError || reason == QLatin1String("Unknown error")) && error != 0)
      reason = QString::fromLocal8Bit(std::strerror(error));
    throw ReportOutputError(QStringLiteral("Cannot write %1: %2").arg(file_->fileName(), reason).toStdString());
  }
  std::unique_ptr<QFileDevice> file_;
};

}  // namespace

void writeTextFile(const QString& path, const PageSetup& setup, const PageProducer& pages) {
  SafeFile file(path, false);
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
  SafeFile file(path, true);  // the PDF writer writes many small pieces
  {
    QPdfWriter writer(&file.device());
    writer.setTitle(title);
    writer.setCreator(QString::fromLatin1(kReportTitle));
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(QPageLayout(
        QPageSize(QSizeF(setup.paperWidth / 10, setup.paperHeight / 10), QPageSize::Millimeter),
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
  SafeFile file(path, false);
  file.write(bytes);
  file.commit();
}

}  // namespace report
