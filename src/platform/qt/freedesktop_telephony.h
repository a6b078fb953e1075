#pragma once

#include <QString>
#include <QStringList>

#include "platform/telephony.h"

namespace platform::qt {

// The assisted-call request on a freedesktop desktop: the phone application
// is whatever is registered for "tel:" addresses. Loading asks xdg-mime for
// that handler (none registered: the service cannot be loaded); the request
// starts that handler's command with "tel:" and the number (xdg-open when
// its desktop file cannot be read). A launch that fails is a refused
// request; a handler that ends with a non-zero exit status is told to the
// failure handler. A "tel:" address has no place for the called party or
// the comment, so those stay with the caller.
class FreedesktopTelephony final : public Telephony {
 public:
  bool load() override;
  bool findRequest() override { return !handler_.isEmpty(); }
  long requestMakeCall(const std::string& destination, const std::string& appName, const std::string& calledParty,
                       const std::string& comment) override;
  void release() override { handler_.clear(); }

  // The registered handler's desktop file, or empty.
  static QString registeredHandler();

 private:
  QString handler_;
};

// The "tel:" address of `number`: its characters that may stand in a
// telephone address as they are, every other byte percent-encoded.
QString telAddress(const QString& number);

// The command of a desktop file's Exec line `exec` given `address`: %u, %U,
// %f or %F become the address (appended when there is none), the other
// field codes go, "%%" is "%". Empty when `exec` is.
QStringList handlerCommand(const QString& exec, const QString& address);

}  // namespace platform::qt
