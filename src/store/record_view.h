#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>

#include "codepage/code_page.h"
#include "store/engine_settings.h"

namespace xbase {
class Cursor;
}

namespace store {

// Read access to the current record (or record buffer) of an engine cursor by
// field name, ignoring case. Used by EngineTable for its own fields and
// handed to the filter-record event for the record being tested.
// Errors (unknown field, engine failure) are EngineErrors of `component`.
class RecordView {
 public:
  RecordView(const xbase::Cursor& cursor, const QString& component, const EngineSettings& settings);

  // Index of a field by name ignoring case; EngineError "Field 'X' not found".
  int fieldIndex(const QString& field) const;
  bool hasField(const QString& field) const;

  // Char: without trailing blanks; memo: the whole text; date: in the
  // settings' date format ("" when blank); numbers and logicals: their text.
  // Converted from the table's code page.
  QString text(const QString& field) const;
  // The engine's bytes unconverted (dates as "YYYYMMDD").
  QByteArray bytes(const QString& field) const;
  // A date field's value; invalid when blank.
  QDate date(const QString& field) const;
  // Record number in the file (1-based), 0 on no record.
  std::uint32_t recordNumber() const;

 private:
  std::string raw(int index) const;
  char type(int index) const;

  const xbase::Cursor& cursor_;
  QString component_;
  const EngineSettings& settings_;
  codepage::CodePage codePage_;
};

// The engine's form of a date: "YYYYMMDD", or "" for an invalid date.
std::string engineDate(const QDate& date);
// Parses the engine's "YYYYMMDD"; invalid QDate for blank or bad text.
QDate fromEngineDate(std::string_view text);

}  // namespace store
