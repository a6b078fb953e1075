#include "store/record_view.h"

#include "store/ansi_text.h"
#include "store/engine_error.h"
#include "xbase/cursor.h"

namespace store {

RecordView::RecordView(const xbase::Cursor& cursor, const QString& component, const EngineSettings& settings)
    : cursor_(cursor),
      component_(component),
      settings_(settings),
      codePage_(codepage::CodePage::fromMark(cursor.codePageMark())) {}

int RecordView::fieldIndex(const QString& field) const {
  const int index = cursor_.fieldIndex(toAnsi(field));
  if (index < 0)
    throw EngineError(component_, QStringLiteral("Field '%1' not found").arg(field),
                      static_cast<int>(xbase::ErrorCode::NotFound));
  return index;
}

bool RecordView::hasField(const QString& field) const { return cursor_.fieldIndex(toAnsi(field)) >= 0; }

std::string RecordView::raw(int index) const {
  return translateEngineErrors(component_, [&] { return cursor_.value(index); });
}

char RecordView::type(int index) const { return cursor_.fields().at(static_cast<std::size_t>(index)).type; }

QString RecordView::text(const QString& field) const {
  const int index = fieldIndex(field);
  if (type(index) == 'D') return settings_.formatDate(fromEngineDate(raw(index)));
  return fromAnsi(raw(index), codePage_);
}

QByteArray RecordView::bytes(const QString& field) const {
  const std::string value = raw(fieldIndex(field));
  return QByteArray(value.data(), static_cast<qsizetype>(value.size()));
}

QDate RecordView::date(const QString& field) const { return fromEngineDate(raw(fieldIndex(field))); }

std::uint32_t RecordView::recordNumber() const { return cursor_.recno(); }

std::string engineDate(const QDate& date) {
  return date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")).toStdString() : std::string();
}

QDate fromEngineDate(std::string_view text) {
  if (text.size() != 8) return {};
  return QDate::fromString(QString::fromLatin1(text.data(), 8), QStringLiteral("yyyyMMdd"));
}

}  // namespace store
