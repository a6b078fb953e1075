#pragma once

// DialNumber: the only place that talks to the telephony service. It loads
// the service for this one request, asks it to call `number` on behalf of
// `calledParty`, warns when that fails (also when the phone application
// fails later) and releases the service again.

#include <QString>

namespace contact {

inline constexpr char kNoTelephonyWarning[] = "Unable to dial the number.\r\ntapi32.dll could not be found.";
inline constexpr char kDialRefusedWarning[] =
    "Unable to dial the number.\r\nMake sure no other devices are using the Com port.\r\n"
    "and Dialer.exe is installed in c:\\windows";

// The warning when the phone application that took a request ended with a
// non-zero exit status.
QString handlerFailedWarning(int exitStatus);

// The number goes out unchanged, blanks and dashes included. A failure of
// the request itself is warned about and then rethrown.
void DialNumber(const QString& number, const QString& calledParty);

}  // namespace contact
