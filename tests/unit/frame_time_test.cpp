#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "frame_time.h"

namespace {

// Truncation toward zero to 32 bits, sign-extended; anything a 32-bit truncation cannot hold
// gives INT32_MIN, as the processor's own conversion does.
TEST(FrameTime, ConversionTruncatesTowardZeroWithin32Bits) {
  const struct {
    double value;
    std::int64_t expected;
  } cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {0.999, 0},
      {1.5, 1},
      {1234.9999, 1234},
      {-0.999, 0},
      {-1.5, -1},
      {-1234.9999, -1234},
      {2147483647.0, 2147483647},
      {2147483647.9, 2147483647},
      {-2147483648.0, -2147483648},
      {-2147483648.9, -2147483648},
      {2147483648.0, INT32_MIN},
      {-2147483649.0, INT32_MIN},
      {1e300, INT32_MIN},
      {std::numeric_limits<double>::infinity(), INT32_MIN},
      {std::numeric_limits<double>::quiet_NaN(), INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(kylaFtol(c.value), c.expected) << "for " << c.value;
}

// The product is formed in double before truncation: 1.001 s is 1000.99999... ms.
TEST(FrameTime, FrameMillisecondsTruncatesTheDoubleProduct) {
  EXPECT_EQ(frameMilliseconds(1.2345678), 1234);
  EXPECT_EQ(frameMilliseconds(1.001), 1000);
  EXPECT_EQ(frameMilliseconds(-0.0015), -1);
  EXPECT_EQ(frameMilliseconds(3.0e6), INT32_MIN);  // about 35 days of playback
}

}  // namespace
