#include "contact/phone_dialer.h"

#include "platform/dialogs.h"
#include "platform/telephony.h"

namespace contact {

namespace {

class LoadedService {
 public:
  explicit LoadedService(platform::Telephony& service) : service_(service) {}
  ~LoadedService() { service_.release(); }
  LoadedService(const LoadedService&) = delete;
  LoadedService& operator=(const LoadedService&) = delete;

 private:
  platform::Telephony& service_;
};

}  // namespace

QString handlerFailedWarning(int exitStatus) {
  return QStringLiteral("Unable to dial the number.\r\nThe telephone program ended with exit status %1.")
      .arg(exitStatus);
}

void DialNumber(const QString& number, const QString& calledParty) {
  platform::Telephony& service = platform::telephony();
  if (!service.load()) {
    platform::dialogs().warning(QString::fromLatin1(kNoTelephonyWarning));
    return;
  }
  const LoadedService loaded(service);
  if (!service.findRequest()) return;
  service.onFailure([](int exitStatus) { platform::dialogs().warning(handlerFailedWarning(exitStatus)); });
  long result = 0;
  try {
    result = service.requestMakeCall(number.toStdString(), {}, calledParty.toStdString(), {});
  } catch (...) {
    platform::dialogs().warning(QString::fromLatin1(kDialRefusedWarning));
    throw;
  }
  if (result < 0) platform::dialogs().warning(QString::fromLatin1(kDialRefusedWarning));
}

}  // namespace contact
