#include "platform/clock.h"

#include "book/clock.h"

namespace platform {

namespace {
const QString kStampFormat = QStringLiteral("yyyyMMdd");
}

QDate Clock::today() { return QDate::fromString(QString::fromStdString(book::today()), kStampFormat); }

void Clock::setToday(const QDate& date) {
  book::fixToday(date.isValid() ? date.toString(kStampFormat).toStdString() : std::string());
}

}  // namespace platform
