#include "platform/qt/progress_long_work.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <exception>
#include <thread>

#include "platform/dialogs.h"

namespace platform::qt {

namespace {

constexpr int kShowAfterMilliseconds = 500;

// Modal, titled, with a Cancel button or none; shows after half a second.
void prepare(QProgressDialog& dialog, bool cancellable = false) {
  dialog.setObjectName(QStringLiteral("LongWorkProgress"));
  dialog.setWindowTitle(QString::fromLatin1(kApplicationTitle));
  dialog.setWindowModality(Qt::ApplicationModal);
  if (!cancellable) dialog.setCancelButton(nullptr);
  dialog.setMinimumDuration(kShowAfterMilliseconds);
  dialog.setValue(0);
}

// Runs `work` on a worker thread while this thread's event loop goes on
// (timers, painting) under a busy cursor; its failure is rethrown here.
// Input to the windows waits meanwhile. When the dialog takes input (its
// Cancel), input is let through once the dialog shows, which, modal, keeps
// it from every other window.
void runOnWorker(QProgressDialog& dialog, const std::function<void()>& work, bool dialogTakesInput) {
  QApplication::setOverrideCursor(Qt::BusyCursor);
  QEventLoop loop;
  std::exception_ptr failure;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    finished = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  if (dialogTakesInput) QTimer::singleShot(kShowAfterMilliseconds, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (dialogTakesInput && !finished) {
    dialog.show();
    loop.exec();
  }
  worker.join();
  QApplication::restoreOverrideCursor();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

void ProgressLongWork::run(const QString& step, const std::function<void()>& work) {
  QProgressDialog dialog(step, QString(), 0, 0, QApplication::activeWindow());
  prepare(dialog);
  runOnWorker(dialog, work, false);
}

void ProgressLongWork::runStoppable(const QString& step, const Stoppable& work) {
  QProgressDialog dialog(step, QStringLiteral("Cancel"), 0, 0, QApplication::activeWindow());
  prepare(dialog, true);
  std::atomic<bool> stop{false};
  QObject::connect(&dialog, &QProgressDialog::canceled, [&stop] { stop = true; });
  const std::function<void()> stoppable = [&] { work(stop); };
  runOnWorker(dialog, stoppable, true);
}

void ProgressLongWork::runWithProgress(const QString& step, const std::function<void(const Progress&)>& work) {
  QProgressDialog dialog(step, QString(), 0, 0, QApplication::activeWindow());
  prepare(dialog);
  work([&dialog](const QString& itemStep, int done, int total) {
    dialog.setLabelText(itemStep + QStringLiteral(": %1 of %2").arg(done).arg(total));
    dialog.setMaximum(total);
    dialog.setValue(done);
  });
}

}  // namespace platform::qt
