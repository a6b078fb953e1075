#include "platform/clock.h"

namespace platform {
namespace {
QDate fixedToday;  // invalid: follow the system
}

QDate Clock::today() { return fixedToday.isValid() ? fixedToday : QDate::currentDate(); }

void Clock::setToday(const QDate& date) { fixedToday = date; }

}  // namespace platform
