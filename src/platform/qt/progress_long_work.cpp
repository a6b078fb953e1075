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
}

void ProgressLongWork::run(const QString& step, const std::function<void()>& work) {
  QProgressDialog dialog(step, QString(), 0, 0, QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("LongWorkProgress"));
  dialog.setWindowTitle(QString::fromLatin1(kApplicationTitle));
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setCancelButton(nullptr);
  dialog.setMinimumDuration(kShowAfterMilliseconds);
  dialog.setValue(0);

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

}  // namespace platform::qt
