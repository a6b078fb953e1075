#include "widgets/key_position.h"

#include <algorithm>
#include <cmath>

namespace widgets {
namespace {

constexpr int kLetters = 3;  // characters that decide the estimate
constexpr int kBase = 28;    // below A, A to Z, above Z

int rank(QChar c) {
  const char16_t u = c.unicode();
  const char16_t upper = (u >= 'a' && u <= 'z') ? static_cast<char16_t>(u - ('a' - 'A')) : u;
  if (upper < 'A') return 0;
  if (upper <= 'Z') return upper - 'A' + 1;
  return kBase - 1;
}

}  // namespace

double keyPosition(const QString& text) {
  double position = 0;
  double scale = 1.0 / kBase;
  for (int i = 0; i < std::min<int>(kLetters, static_cast<int>(text.size())); ++i) {
    const int r = rank(text[i]);
    position += r * scale;
    scale /= kBase;
    // Characters outside A to Z share one rank, so what follows them would
    // not keep the order: the estimate stops there.
    if (r == 0 || r == kBase - 1) break;
  }
  return position;
}

QString keyAtPosition(double position) {
  double rest = std::clamp(position, 0.0, 1.0 - 1e-9);
  QString key;
  for (int i = 0; i < kLetters; ++i) {
    rest *= kBase;
    const int digit = std::min(kBase - 1, static_cast<int>(std::floor(rest + 1e-9)));
    rest = std::max(0.0, rest - digit);
    if (digit == 0) break;  // characters below A: the key stops before them
    key += digit == kBase - 1 ? QChar('[') : QChar('A' + digit - 1);
    if (digit == kBase - 1) break;
  }
  return key;
}

}  // namespace widgets
