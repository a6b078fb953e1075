#pragma once

#include <QDate>
#include <QString>

namespace store {

// The engine settings every table component works with. Deleted records are
// always hidden by the engine and are not a setting here.
struct EngineSettings {
  // Exact string comparison for "=" in filter expressions.
  bool exactComparison = true;
  // The date format of the engine and of every date the program shows, in
  // the engine's notation; "MM/DD/YY" reads 03/07/26 for 7 March 2026.
  QString dateFormat = QStringLiteral("MM/DD/YY");

  // A date in dateFormat ("" for an invalid date).
  QString formatDate(const QDate& date) const;
  // Parses a date in dateFormat; invalid QDate when it does not parse.
  // Two-digit years read as 19xx from 50 on and as 20xx below 50.
  QDate parseDate(const QString& text) const;
};

}  // namespace store
