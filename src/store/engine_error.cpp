#include "store/engine_error.h"

#include "xbase/error.h"

namespace store {

EngineError::EngineError(const QString& component, const QString& engineText, int code)
    : std::runtime_error((component + QStringLiteral(": ") + engineText).toStdString()),
      component_(component),
      engineText_(engineText),
      code_(code) {}

EngineError::EngineError(const QString& component, const xbase::Error& cause)
    : EngineError(component, QString::fromUtf8(cause.what()), cause.codeNumber()) {
  indexMismatch_ = dynamic_cast<const xbase::IndexMismatch*>(&cause) != nullptr;
}

QString EngineError::displayText() const { return component_ + QStringLiteral(": ") + engineText_; }

}  // namespace store
