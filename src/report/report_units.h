#pragma once

#include <cmath>

namespace report {

// Report positions and sizes are in tenths of a millimetre, measured from the
// top left corner of the paper. The report form is designed in layout pixels,
// 120 to the inch; margins are set in inches and fonts in points.
inline constexpr double kTenthsPerInch = 254.0;
inline constexpr double kLayoutPixelsPerInch = 120.0;
inline constexpr double kTenthsPerPoint = 3.5277777777777777;

constexpr double fromLayoutPixels(double pixels) { return pixels * kTenthsPerInch / kLayoutPixelsPerInch; }
constexpr double fromInches(double inches) { return inches * kTenthsPerInch; }

// Rounds to the nearest whole number, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4), independent of the floating-point rounding mode.
inline long long roundHalfEven(double value) {
  const double floor = std::floor(value);
  const double rest = value - floor;
  auto whole = static_cast<long long>(floor);
  if (rest > 0.5 || (rest == 0.5 && whole % 2 != 0)) ++whole;
  return whole;
}

}  // namespace report
