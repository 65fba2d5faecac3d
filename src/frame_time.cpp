#include "frame_time.h"

// Kept in a code section of its own so that it is one identifiable routine in the binary.
extern "C" __attribute__((section("ftol"), noinline)) std::int64_t kylaFtol(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}
