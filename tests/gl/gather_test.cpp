// The gather pass on the real driver: what it stores for flat images, and the shape of its
// crossed kernel measured from the spread of a single bright line.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "gl/bright_line.h"
#include "gl/gl_test_support.h"
#include "pipeline.h"

namespace {

constexpr std::array<float, 4> kRingWeights = {0.1531f, 0.12245f, 0.0918f, 0.051f};

GLuint gatherProgram() {
  static const GLuint program = buildFragmentProgram(shaderSourceFile("gather.frag"));
  return program;
}

struct Spread {
  float onLine = 0;    // red at the line itself
  float beyond = 0;    // red summed over the pixels on one side of the line
  float meanStep = 0;  // the tap step in pixels on that side
};

// The red channel along a profile that crosses the line at index `line`. Beyond the line only the
// ring taps of one arm see it; each ring r, read with linear filtering, leaves a mass of w_r / 4
// whose centre lies r steps out. The first moment over the mass is therefore the step times
// sum(r w_r) / sum(w_r).
Spread measureSpread(const std::vector<float>& pixels, int line) {
  Spread spread;
  spread.onLine = pixels[static_cast<std::size_t>(line) * 4];
  float moment = 0;
  for (std::size_t n = static_cast<std::size_t>(line) + 1; n < pixels.size() / 4; ++n) {
    spread.beyond += pixels[n * 4];
    moment += static_cast<float>(n - static_cast<std::size_t>(line)) * pixels[n * 4];
  }
  float weights = 0;
  float ringMoment = 0;
  for (std::size_t r = 0; r < kRingWeights.size(); ++r) {
    weights += kRingWeights[r];
    ringMoment += static_cast<float>(r + 1) * kRingWeights[r];
  }
  spread.meanStep = moment / spread.beyond / (ringMoment / weights);
  return spread;
}

}  // namespace

// Location 1 (this frame's scene) is blurred with weights summing to 2, location 2 (the previous
// scene) is added once, and the colour is quartered: flat inputs c and p give (2c + p) / 4, also
// at the corners where taps fall outside and read the edge. Alpha is the plain sum of the inputs'
// alphas and reaches the 8-bit target clamped to 1.
TEST(GatherPass, FlatImagesGiveAQuarterOfTwiceTheScenePlusThePreviousScene) {
  ASSERT_NE(gatherProgram(), 0u);
  struct Case {
    std::array<float, 4> scene;
    std::array<float, 4> previous;
    std::array<float, 4> raw;  // what the program writes before the target's clamp
  };
  const Case cases[] = {
      {{0.2f, 0.4f, 0.8f, 1}, {0.2f, 0.4f, 0.8f, 1}, {0.15f, 0.3f, 0.6f, 3}},
      {{0.2f, 0.4f, 0.8f, 1}, {0, 0, 0, 1}, {0.1f, 0.2f, 0.4f, 3}},
      {{0, 0, 0, 1}, {0.2f, 0.4f, 0.8f, 1}, {0.05f, 0.1f, 0.2f, 3}},
      {{0.2f, 0.4f, 0.8f, 0}, {0.2f, 0.4f, 0.8f, 0.4f}, {0.15f, 0.3f, 0.6f, 0.4f}},
  };
  const Region pixels[] = {{0, 0, 1, 1}, {960, 540, 1, 1}, {1919, 1079, 1, 1}};
  for (const Case& c : cases) {
    const GLuint scene = flatImage(c.scene);
    const GLuint previous = flatImage(c.previous);
    for (const Region& at : pixels) {
      SCOPED_TRACE(testing::Message() << "scene red " << c.scene[0] << ", previous red " << c.previous[0]
                                      << ", alphas " << c.scene[3] << "/" << c.previous[3] << ", pixel " << at.x
                                      << "," << at.y);
      const auto raw = renderRegion(gatherProgram(), 0, scene, previous, at);
      const auto stored = renderRegion(gatherProgram(), 0, scene, previous, at, GL_RGBA8);
      for (std::size_t ch = 0; ch < 4; ++ch) {
        EXPECT_NEAR(raw[ch], c.raw[ch], 1e-4f) << "channel " << ch;
        EXPECT_NEAR(stored[ch], std::min(c.raw[ch], 1.0f), 0.6f / 255) << "channel " << ch;
      }
    }
    glDeleteTextures(1, &scene);
    glDeleteTextures(1, &previous);
  }
}

// The kernel's step components are crossed: horizontal taps step by 4/1080 of the width, about
// 7.1 pixels, and vertical taps by 2/1920 of the height, about 1.1 pixels. A white column spreads
// sideways over the wide horizontal steps and a white row spreads over the narrow vertical ones.
// The line itself keeps the doubled centre and the whole perpendicular arm; the previous scene
// (black here) adds nothing.
TEST(GatherPass, ABrightLineSpreadsByTheCrossedStepLengths) {
  ASSERT_NE(gatherProgram(), 0u);
  const GLuint black = flatImage({0, 0, 0, 1});
  struct Case {
    bool column;
    Region profile;  // crosses the line at index 40 or 10
    int line;
    float step;
  };
  const Case cases[] = {
      {true, {920, 540, 81, 1}, 40, 4.0f * kWidth / kHeight},
      {false, {960, 530, 1, 21}, 10, 2.0f * kHeight / kWidth},
  };
  const float armWeight = 2 * (kRingWeights[0] + kRingWeights[1] + kRingWeights[2] + kRingWeights[3]);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column ? "white column" : "white row");
    const GLuint line = brightLineImage(c.column, c.column ? 960 : 540);
    const Spread spread = measureSpread(renderRegion(gatherProgram(), 0, line, black, c.profile), c.line);
    EXPECT_NEAR(spread.meanStep, c.step, 0.02f);
    EXPECT_NEAR(spread.beyond, armWeight / 2 / 4, 2e-3f);
    EXPECT_NEAR(spread.onLine, (2 * 0.1633f + armWeight) / 4, 2e-3f);
    glDeleteTextures(1, &line);
  }
  glDeleteTextures(1, &black);
}
