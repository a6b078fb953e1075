#include "store/error_box.h"

#include "platform/dialogs.h"
#include "store/abort.h"
#include "store/engine_error.h"

namespace store {

std::optional<QString> errorBoxText(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const Abort&) {
    return std::nullopt;
  } catch (const EngineError& e) {
    return e.displayText();
  } catch (const std::exception& e) {  // engine errors without a component, zip errors and the rest
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unexpected failure");
  }
}

namespace {
std::function<void()>& indexRepairHandler() {
  static std::function<void()> handler;
  return handler;
}

bool isIndexMismatch(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const EngineError& e) {
    return e.indexMismatch();
  } catch (...) {
    return false;
  }
}
}  // namespace

void setIndexRepairHandler(std::function<void()> handler) { indexRepairHandler() = std::move(handler); }

void showErrorBox(const std::exception_ptr& failure) {
  if (indexRepairHandler() && isIndexMismatch(failure)) {
    indexRepairHandler()();
    return;
  }
  if (const std::optional<QString> text = errorBoxText(failure)) platform::dialogs().error(*text);
}

}  // namespace store
