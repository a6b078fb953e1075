#include "platform/qt/progress_long_work.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <exception>
#include <thread>

#include "platform/dialogs.h"

namespace platform::qt {

namespace {

constexpr int kShowAfterMilliseconds = 500;

// Modal, titled, without a cancel button; shows after half a second.
void prepare(QProgressDialog& dialog) {
  dialog.setObjectName(QStringLiteral("LongWorkProgress"));
  dialog.setWindowTitle(QString::fromLatin1(kApplicationTitle));
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setCancelButton(nullptr);
  dialog.setMinimumDuration(kShowAfterMilliseconds);
  dialog.setValue(0);
}

}  // namespace

void ProgressLongWork::run(const QString& step, const std::function<void()>& work) {
  QProgressDialog dialog(step, QString(), 0, 0, QApplication::activeWindow());
  prepare(dialog);

  QEventLoop loop;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  if (failure) std::rethrow_exception(failure);
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
