#include "report/report_preview.h"

#include <algorithm>

#include <QActionGroup>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QProgressDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "report/page_painter.h"
#include "report/prepared_report.h"
#include "store/engine_error.h"

namespace report {

namespace {

constexpr int kSliceMilliseconds = 25;
constexpr int kViewMargin = 12;  // grey space around the paper

const QString kPreparedFilter = QStringLiteral("Prepared report (*.clr)");
const QString kTextFilter = QStringLiteral("Text file (*.TXT *.txt)");
const QString kPdfFilter = QStringLiteral("PDF file (*.pdf)");

}  // namespace

// The paper of the current page at the preview's zoom.
class PageView : public QWidget {
 public:
  explicit PageView(ReportPreview& preview) : preview_(preview) {
    setBackgroundRole(QPalette::Dark);
    setAutoFillBackground(true);
  }

  double dotsPerTenth = 1;

  void resizeToPaper() {
    const PageSetup& s = preview_.pageSetup();
    resize(static_cast<int>(s.paperWidth * dotsPerTenth) + 2 * kViewMargin,
           static_cast<int>(s.paperHeight * dotsPerTenth) + 2 * kViewMargin);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const int number = preview_.currentPage();
    if (number < 1) return;
    painter.translate(kViewMargin, kViewMargin);
    paintPage(painter, preview_.pages()[static_cast<std::size_t>(number - 1)], preview_.pageSetup(), dotsPerTenth);
  }

 private:
  ReportPreview& preview_;
};

ReportPreview::ReportPreview(const QString& title, const PageSetup& setup, PageProducer producer,
                             PreviewProgress progress, QWidget* parent)
    : QWidget(parent, Qt::Window),
      title_(title),
      setup_(setup),
      producer_(std::move(producer)),
      progress_(std::move(progress)) {
  setObjectName(QStringLiteral("ReportPreview"));
  setWindowTitle(title);
  setAttribute(Qt::WA_DeleteOnClose, false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* top = new QHBoxLayout;
  toolbar_ = new QToolBar(this);
  top->addWidget(toolbar_);
  closeButton_ = new QPushButton(QStringLiteral("&Close"), this);
  top->addWidget(closeButton_);
  top->addStretch();
  layout->addLayout(top);
  createToolbar();

  scroll_ = new QScrollArea(this);
  scroll_->setBackgroundRole(QPalette::Dark);
  scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  view_ = new PageView(*this);
  scroll_->setWidget(view_);
  scroll_->installEventFilter(this);
  layout->addWidget(scroll_, 1);

  auto* statusLine = new QHBoxLayout;
  statusLine->setContentsMargins(6, 2, 6, 2);
  status_ = new QLabel(this);
  progressBar_ = new QProgressBar(this);
  progressBar_->setMaximumWidth(240);
  progressBar_->setRange(0, progress_.maximum);
  statusLine->addWidget(status_);
  statusLine->addWidget(progressBar_);
  statusLine->addStretch();
  layout->addLayout(statusLine);

  connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
  const struct {
    QKeySequence key;
    std::function<void()> go;
  } keys[] = {
      {QKeySequence(Qt::Key_PageUp), [this] { showPage(current_ - 1); }},
      {QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { showPage(1); }},
      {QKeySequence(Qt::Key_PageDown), [this] { showPage(current_ + 1); }},
      {QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] { showPage(pageCount()); }},
      {QKeySequence(Qt::Key_Home), [this] { showPage(1); }},
      {QKeySequence(Qt::Key_End), [this] { showPage(pageCount()); }},
      {QKeySequence::Save, [this] { save(); }},
  };
  for (const auto& k : keys) connect(new QShortcut(k.key, this), &QShortcut::activated, this, k.go);

  sliceTimer_.setInterval(0);
  connect(&sliceTimer_, &QTimer::timeout, this, &ReportPreview::produceSlice);
  if (producer_) sliceTimer_.start();
  resize(800, 600);
  setZoom(Zoom::Width);
  updateStatus();
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::createToolbar() {
  QStyle* s = style();
  const struct {
    QStyle::StandardPixmap icon;
    const char* hint;
    std::function<void()> run;
  } buttons[] = {
      {QStyle::SP_TitleBarMaxButton, "Zoom to fit", [this] { setZoom(Zoom::Fit); }},
      {QStyle::SP_TitleBarNormalButton, "Zoom to 100%", [this] { setZoom(Zoom::Actual); }},
      {QStyle::SP_ToolBarHorizontalExtensionButton, "Zoom to page width", [this] { setZoom(Zoom::Width); }},
      {QStyle::SP_MediaSkipBackward, "First Page", [this] { showPage(1); }},
      {QStyle::SP_MediaSeekBackward, "Previous page", [this] { showPage(current_ - 1); }},
      {QStyle::SP_MediaSeekForward, "Next page", [this] { showPage(current_ + 1); }},
      {QStyle::SP_MediaSkipForward, "Last page", [this] { showPage(pageCount()); }},
      {QStyle::SP_FileDialogDetailedView, "Printer setup", [this] { printerSetup(); }},
      {QStyle::SP_DialogApplyButton, "Print", [this] { print(); }},
      {QStyle::SP_DialogSaveButton, "Save", [this] { save(); }},
      {QStyle::SP_DialogOpenButton, "Load", [this] { load(); }},
  };
  auto* zooms = new QActionGroup(this);
  int index = 0;
  for (const auto& b : buttons) {
    QAction* action = toolbar_->addAction(s->standardIcon(b.icon), QString::fromLatin1(b.hint));
    action->setToolTip(QString::fromLatin1(b.hint));
    connect(action, &QAction::triggered, this, b.run);
    if (index < 3) {
      action->setCheckable(true);
      zooms->addAction(action);
    }
    if (index == 2) zoomWidth_ = action;
    ++index;
  }
  zoomWidth_->setChecked(true);
}

QList<QAction*> ReportPreview::toolActions() const { return toolbar_->actions(); }

// --- producing pages

void ReportPreview::produceSlice() {
  QElapsedTimer clock;
  clock.start();
  try {
    while (producer_ && clock.elapsed() < kSliceMilliseconds) {
      std::optional<Page> page = producer_();
      if (!page) {
        stopProducing();
        break;
      }
      pages_.push_back(std::move(*page));
      if (current_ == 0) showPage(1);
    }
  } catch (const std::exception& e) {
    stopProducing();
    showError(QString::fromStdString(e.what()));
  }
  updateStatus();
}

void ReportPreview::stopProducing() {
  sliceTimer_.stop();
  producer_ = nullptr;
}

void ReportPreview::finishProducing() {
  while (producer_) produceSlice();
}

void ReportPreview::updateStatus() {
  if (producer_) {
    status_->setText(QStringLiteral("Working..."));
    if (progress_.done) progressBar_->setValue(std::min(progress_.done(), progress_.maximum));
    progressBar_->show();
    return;
  }
  progressBar_->hide();
  status_->setText(QStringLiteral("Page %1 of %2").arg(current_).arg(pageCount()));
}

void ReportPreview::showPage(int number) {
  number = std::clamp(number, pageCount() > 0 ? 1 : 0, pageCount());
  if (number == current_) return;
  current_ = number;
  view_->update();
  if (scroll_) scroll_->ensureVisible(0, 0);
  updateStatus();
}

void ReportPreview::setZoom(Zoom zoom) {
  zoom_ = zoom;
  // The room without scroll bars; a page fitted to the width and taller
  // than the view leaves room for the vertical one.
  QSize room = scroll_->maximumViewportSize() - QSize(2 * kViewMargin, 2 * kViewMargin);
  double byWidth = room.width() / setup_.paperWidth;
  if (zoom == Zoom::Width && setup_.paperHeight * byWidth > room.height()) {
    room.rwidth() -= scroll_->verticalScrollBar()->sizeHint().width();
    byWidth = room.width() / setup_.paperWidth;
  }
  switch (zoom) {
    case Zoom::Fit: view_->dotsPerTenth = std::min(byWidth, room.height() / setup_.paperHeight); break;
    case Zoom::Actual: view_->dotsPerTenth = logicalDpiX() / 254.0; break;
    case Zoom::Width: view_->dotsPerTenth = byWidth; break;
  }
  view_->dotsPerTenth = std::max(view_->dotsPerTenth, 0.05);
  view_->resizeToPaper();
  toolActions().at(static_cast<int>(zoom))->setChecked(true);
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == scroll_ && event->type() == QEvent::Resize && zoom_ != Zoom::Actual) setZoom(zoom_);
  return QWidget::eventFilter(watched, event);
}

// --- closing

void ReportPreview::closeEvent(QCloseEvent* event) {
  stopProducing();
  QWidget::closeEvent(event);
  emit closed();
}

void ReportPreview::showError(const QString& text) { platform::dialogs().error(text); }

// --- printing

QPrinter& ReportPreview::printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setDocName(title_);
    printer_->setFullPage(true);
    printer_->setPageSize(QPageSize(QPageSize::Letter));
    printer_->setCopyCount(1);
    printer_->setDuplex(QPrinter::DuplexNone);
    // Without any printer installed the print goes to a PDF file.
    if (QPrinterInfo::availablePrinters().isEmpty()) printer_->setOutputFormat(QPrinter::PdfFormat);
  }
  return *printer_;
}

void ReportPreview::printerSetup() {
  finishProducing();
  QPrintDialog dialog(&printer(), this);
  dialog.setMinMax(1, std::max(1, pageCount()));
  dialog.exec();  // the printer keeps the choices for the next print
}

void ReportPreview::print() {
  finishProducing();
  if (pageCount() == 0) {
    platform::dialogs().message(QString::fromLatin1(kNothingToPrintMessage));
    return;
  }
  QPrinter& p = printer();
  if (p.outputFormat() == QPrinter::PdfFormat && p.outputFileName().isEmpty()) {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Print to PDF file"), QString(), kPdfFilter);
    if (path.isEmpty()) return;
    p.setOutputFileName(path);
  }
  int first = 1;
  int last = pageCount();
  if (p.printRange() == QPrinter::PageRange && p.fromPage() > 0) {
    first = std::max(first, p.fromPage());
    last = std::min(last, p.toPage());
  }
  if (first > last) return;
  QProgressDialog progress(QStringLiteral("Printing progress"), QStringLiteral("Cancel"), first - 1, last, this);
  progress.setWindowTitle(QStringLiteral("Printing progress"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  QPainter painter;
  if (!painter.begin(&p)) {
    showError(QStringLiteral("The printer could not be started."));
    return;
  }
  const double dots = p.resolution() / 254.0;
  for (int number = first; number <= last; ++number) {
    if (progress.wasCanceled()) {
      p.abort();
      break;
    }
    if (number > first) p.newPage();
    paintPage(painter, pages_[static_cast<std::size_t>(number - 1)], setup_, dots);
    progress.setValue(number);
  }
  painter.end();
}

// --- files

PageProducer ReportPreview::storedPages() const {
  return [this, next = std::size_t{0}]() mutable -> std::optional<Page> {
    if (next >= pages_.size()) return std::nullopt;
    return pages_[next++];
  };
}

void ReportPreview::saveTo(const QString& path, FileKind kind) {
  finishProducing();
  switch (kind) {
    case FileKind::PreparedReport: writeWholeFile(path, writePreparedReport({setup_, pages_})); break;
    case FileKind::Text: writeTextFile(path, setup_, storedPages()); break;
    case FileKind::Pdf: writePdfFile(path, setup_, title_, storedPages()); break;
  }
}

QString ReportPreview::pathWithExtension(const QString& typed, FileKind kind) {
  if (!QFileInfo(typed).suffix().isEmpty()) return typed;
  switch (kind) {
    case FileKind::PreparedReport: return typed + QStringLiteral(".clr");
    case FileKind::Text: return typed + QStringLiteral(".txt");
    case FileKind::Pdf: return typed + QStringLiteral(".pdf");
  }
  return typed;
}

void ReportPreview::save() {
  QString chosen = kPreparedFilter;
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save"), QString(),
      QStringList{kPreparedFilter, kTextFilter, kPdfFilter}.join(QStringLiteral(";;")), &chosen);
  if (path.isEmpty()) return;
  FileKind kind = FileKind::PreparedReport;
  if (chosen == kTextFilter) kind = FileKind::Text;
  if (chosen == kPdfFilter) kind = FileKind::Pdf;
  try {
    saveTo(pathWithExtension(path, kind), kind);
  } catch (const std::exception& e) {
    showError(QString::fromStdString(e.what()));
  }
}

bool ReportPreview::loadFrom(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    showError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return false;
  }
  const QByteArray bytes = file.readAll();
  try {
    PreparedReport loaded = readPreparedReport(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    stopProducing();
    setup_ = loaded.setup;
    pages_ = std::move(loaded.pages);
    current_ = 0;
    showPage(1);
    setZoom(zoom_);
    updateStatus();
    return true;
  } catch (const PreparedReportError& e) {
    showError(QStringLiteral("%1 is not a prepared report that can be shown (%2).")
                  .arg(path, QString::fromStdString(e.what())));
    return false;
  }
}

void ReportPreview::load() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load"), QString(), kPreparedFilter);
  if (!path.isEmpty()) loadFrom(path);
}

}  // namespace report
