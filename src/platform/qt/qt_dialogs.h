#pragma once

#include "platform/dialogs.h"

namespace platform::qt {

// Real message boxes (QMessageBox) and text questions (QInputDialog), owned
// by the active window when there is one. Needs a QApplication.
class QtDialogs final : public Dialogs {
 public:
  void message(const QString& text) override;
  void warning(const QString& text) override;
  void information(const QString& text) override;
  bool confirm(const QString& text) override;
  bool askYesNo(const QString& text) override;
  void error(const QString& text) override;
  std::optional<QString> askText(const QString& title, const QString& prompt, Echo echo) override;
};

}  // namespace platform::qt
