#include "store/engine_settings.h"

namespace store {
namespace {

// The engine's notation (MM, DD, YY, YYYY) in Qt's (MM, dd, yy, yyyy).
QString qtFormat(const QString& engineFormat) {
  QString format = engineFormat;
  format.replace(QStringLiteral("DD"), QStringLiteral("dd"));
  format.replace(QStringLiteral("YY"), QStringLiteral("yy"));
  return format;
}

}  // namespace

QString EngineSettings::formatDate(const QDate& date) const {
  return date.isValid() ? date.toString(qtFormat(dateFormat)) : QString();
}

QDate EngineSettings::parseDate(const QString& text) const {
  QDate date = QDate::fromString(text.trimmed(), qtFormat(dateFormat));
  if (date.isValid() && !dateFormat.contains(QStringLiteral("YYYY")) && date.year() < 1950)
    date = date.addYears(100);  // Qt reads yy as 19yy; below 50 means 20yy
  return date;
}

}  // namespace store
