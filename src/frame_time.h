// Frame time: the soundtrack position as whole milliseconds, truncated toward zero.
#pragma once

#include <cstdint>

// Truncates toward zero to 32 bits and sign-extends to 64. Values outside the 32-bit range, and
// NaN, give INT32_MIN, as the processor's own truncating conversion does.
extern "C" std::int64_t kylaFtol(double value);

// The frame time in milliseconds for a position in seconds.
inline std::int32_t frameMilliseconds(double seconds) {
  return static_cast<std::int32_t>(kylaFtol(seconds * 1000.0));
}
