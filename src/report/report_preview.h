#pragma once

// The report's preview: a window of its own showing one laid-out page at a
// time, with zooming, paging, printing, saving and loading. Pages come from
// a producer in slices on the event loop, so the first page shows while the
// later ones are still being laid out; pages are kept as models and painted
// when shown, never held as pictures.

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "report/report_output.h"

class QAction;
class QPrinter;
class QProgressBar;
class QScrollArea;
class QToolBar;

namespace report {

class PageView;

inline constexpr char kNothingToPrintMessage[] = "The report has no pages: there is nothing to print.";

// How far page production has come, out of `maximum` (0: unknown).
struct PreviewProgress {
  std::function<int()> done;
  int maximum = 0;
};

class ReportPreview : public QWidget {
  Q_OBJECT

 public:
  enum class Zoom { Fit, Actual, Width };
  enum class FileKind { PreparedReport, Text, Pdf };

  ReportPreview(const QString& title, const PageSetup& setup, PageProducer producer, PreviewProgress progress = {},
                QWidget* parent = nullptr);
  ~ReportPreview() override;

  int pageCount() const { return static_cast<int>(pages_.size()); }
  int currentPage() const { return current_; }  // from 1; 0 without pages
  bool producing() const { return static_cast<bool>(producer_); }
  const std::vector<Page>& pages() const { return pages_; }
  const PageSetup& pageSetup() const { return setup_; }
  QString statusText() const { return status_->text(); }
  Zoom zoom() const { return zoom_; }
  // The toolbar's buttons in order, and the close button.
  QList<QAction*> toolActions() const;
  QPushButton* closeButton() const { return closeButton_; }

  void showPage(int number);
  void setZoom(Zoom zoom);
  // Lays out every page still to come, at once.
  void finishProducing();

  // Writes the report as `kind`; throws ReportOutputError.
  void saveTo(const QString& path, FileKind kind);
  // The name typed in the Save dialog with the kind's extension added when
  // it has none, so that the Load dialog (and other programs) know the file.
  static QString pathWithExtension(const QString& typed, FileKind kind);
  // Shows a prepared-report file in place of the current report; a damaged
  // file is refused with an error box and the current report stays.
  bool loadFrom(const QString& path);

  // --- the toolbar's commands with their dialogs
  void printerSetup();
  void print();
  void save();
  void load();

 signals:
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Fits the page again when the view changes size under a fitting zoom.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createToolbar();
  void produceSlice();
  void stopProducing();
  void updateStatus();
  void showError(const QString& text);
  QPrinter& printer();
  PageProducer storedPages() const;

  QString title_;
  PageSetup setup_;
  PageProducer producer_;
  PreviewProgress progress_;
  std::vector<Page> pages_;
  int current_ = 0;
  Zoom zoom_ = Zoom::Width;
  QTimer sliceTimer_;
  std::unique_ptr<QPrinter> printer_;

  QToolBar* toolbar_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  PageView* view_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QAction* zoomWidth_ = nullptr;
};

}  // namespace report
