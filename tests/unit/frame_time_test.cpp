#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <string>

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

// The shader table, the display-mode record and the conversion routine each sit in a section of
// their own in the built demo.
TEST(FrameTime, DemoBinaryPlacesItsDataAndConversionInNamedSections) {
#ifdef _WIN32
  GTEST_SKIP() << "kyla.exe's sections are checked on the build machine (tests/windows)";
#endif
  const std::string binary = std::string(KYLA_BINARY_DIR) + "/kyla";
  FILE* symbols = popen(("objdump -t '" + binary + "' 2>&1").c_str(), "r");
  ASSERT_NE(symbols, nullptr);
  std::map<std::string, std::string> sectionOf;
  char line[1024];
  while (std::fgets(line, sizeof line, symbols)) {
    // "<address> <flags> <section>\t<size> <name>"
    const std::string text(line);
    const auto tab = text.find('\t');
    if (tab == std::string::npos) continue;
    const auto sectionStart = text.rfind(' ', tab) + 1;
    const auto nameStart = text.find_last_of(' ', text.find_last_not_of(" \n")) + 1;
    sectionOf[text.substr(nameStart, text.find_last_not_of(" \n") + 1 - nameStart)] =
        text.substr(sectionStart, tab - sectionStart);
  }
  ASSERT_EQ(pclose(symbols), 0) << "objdump could not read " << binary << " (build the kyla target first)";
  EXPECT_EQ(sectionOf["shaderSources"], ".shader");
  EXPECT_EQ(sectionOf["displayMode"], ".screens");
  EXPECT_EQ(sectionOf["kylaFtol"], "ftol");
}

}  // namespace
