// The post pass on the real driver: flat inputs at chosen times and pixels show the fades, the
// vignette, the tone curve and the gamma; the aberration `ca` is drawn alone through a test entry
// point so that its samples and its growing smear can be read directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "gl/bright_line.h"
#include "gl/gl_test_support.h"
#include "pipeline.h"

namespace {

GLuint postProgram() {
  static const GLuint program = buildFragmentProgram(shaderSourceFile("post.frag"));
  return program;
}

// The shipped post source with `ca` of this pixel's screen position as its whole output.
GLuint caProgram() {
  static const GLuint program = buildFragmentProgram(withTestMain(shaderSourceFile("post.frag"), R"(
void main() { i = vec4(ca(-1.0 + 2.0 * gl_FragCoord.xy / R), 1.0); }
)"));
  return program;
}

GLuint greyImage(float level) { return flatImage({level, level, level, 1.0f}); }

// The soft tone curve, smoothstep(-0.01, 1.2, x): the figures the last step should arrive at.
float toneCurve(float x) {
  const float t = std::clamp((x + 0.01f) / 1.21f, 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}
// A colour channel on screen: the tone curve, then the square root.
float shownColour(float x) { return std::sqrt(toneCurve(x)); }

// Flat scene and gather images s and g give a colour before fading of
// 0.3266 s (the doubled centre) + 1.6734 g (the rings) + s + 22/25.5 g (`ca`).
float unfadedColour(float scene, float gather) { return 1.3266f * scene + (1.6734f + 22.0f / 25.5f) * gather; }

std::array<float, 4> pixelAt(GLuint program, int ms, GLuint gather, GLuint scene, int x, int y) {
  const auto p = renderRegion(program, ms, gather, scene, {x, y, 1, 1});
  return {p[0], p[1], p[2], p[3]};
}

}  // namespace

// Before the fade in and from 58 s on the colour is faded to 0, which the tone curve and gamma
// show as about 0.0143, not black. Alpha is not faded.
TEST(PostPass, FadedOutColourSitsOnTheToneCurveFloorWithAlphaKept) {
  ASSERT_NE(postProgram(), 0u);
  const GLuint grey = greyImage(0.6f);
  EXPECT_NEAR(shownColour(0), 0.0143f, 1e-4f);
  for (const int ms : {0, 58000, 60000, 200000}) {
    SCOPED_TRACE(testing::Message() << ms << " ms");
    const auto pixel = pixelAt(postProgram(), ms, grey, grey, 960, 540);
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(pixel[ch], 0.0143f, 2e-4f) << "channel " << ch;
    EXPECT_NEAR(pixel[3], 1.0f, 1e-4f);
  }
  glDeleteTextures(1, &grey);
}

// At the screen centre (vignette 1) flat inputs show the fade factor of the moment: smoothstep
// over 0..14 s in, one minus smoothstep over 50..58 s out. The rows with a black image show which
// input the centre and the rings read.
TEST(PostPass, FadesInOverTheFirst14SecondsAndOutFrom50To58) {
  ASSERT_NE(postProgram(), 0u);
  struct Case {
    int ms;
    float scene;
    float gather;
    float fade;
  };
  const Case cases[] = {
      {3500, 0.2f, 0.2f, 0.15625f}, {7000, 0.2f, 0.2f, 0.5f},       {14000, 0.2f, 0.2f, 1.0f},
      {30000, 0.2f, 0.2f, 1.0f},    {50000, 0.2f, 0.2f, 1.0f},      {52000, 0.2f, 0.2f, 0.84375f},
      {54000, 0.2f, 0.2f, 0.5f},    {57000, 0.2f, 0.2f, 0.04297f},  {30000, 0.4f, 0.0f, 1.0f},
      {30000, 0.0f, 0.4f, 1.0f},    {7000, 0.4f, 0.0f, 0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ms << " ms, scene " << c.scene << ", gather " << c.gather);
    const GLuint scene = greyImage(c.scene);
    const GLuint gather = greyImage(c.gather);
    const auto pixel = pixelAt(postProgram(), c.ms, gather, scene, 960, 540);
    const float expected = shownColour(unfadedColour(c.scene, c.gather) * c.fade);
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(pixel[ch], expected, 2e-3f) << "channel " << ch;
    glDeleteTextures(1, &scene);
    glDeleteTextures(1, &gather);
  }
}

// The glow's rings read the gather image with crossed steps twice as wide sideways as the gather
// pass's: horizontal taps 8/1080 of the width apart (about 14.2 pixels), vertical ones 2/1920 of
// the height (about 1.1). A white line in the gather image lights, on the side towards the screen
// centre (where `ca`, which smears outward, cannot reach), exactly the pixels whose taps fall
// within a texel of it: those near r steps from the line for r = 1..4, and no others.
TEST(PostPass, GlowRingsReadTheGatherImageAtTheCrossedStepLengths) {
  ASSERT_NE(postProgram(), 0u);
  const GLuint black = greyImage(0.0f);
  struct Case {
    bool column;
    int line;
    Region profile;  // ends on the line; index n counts back from it
    float step;
  };
  const Case cases[] = {
      {true, 1500, {1430, 540, 71, 1}, 8.0f * kWidth / kHeight},
      {false, 900, {960, 890, 1, 11}, 2.0f * kHeight / kWidth},
  };
  const float unlit = shownColour(0) + 0.0025f;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column ? "white column" : "white row");
    const GLuint line = brightLineImage(c.column, c.line);
    const auto pixels = renderRegion(postProgram(), 30000, line, black, c.profile);
    const int last = c.column ? c.profile.width - 1 : c.profile.height - 1;
    for (int n = 1; n <= last; ++n) {
      float nearest = 1e9f;
      for (int r = 1; r <= 4; ++r) {
        nearest = std::min(nearest, std::abs(static_cast<float>(n) - static_cast<float>(r) * c.step));
      }
      const float red = pixels[static_cast<std::size_t>(last - n) * 4];
      if (nearest < 0.85f) {
        EXPECT_GT(red, unlit) << n << " pixels from the line";
      } else if (nearest >= 1.0f) {
        EXPECT_LT(red, unlit) << n << " pixels from the line";
      }
    }
    glDeleteTextures(1, &line);
  }
  glDeleteTextures(1, &black);
}

// The vignette s²(3 − 2s), s = (0.9·distance(uv, centre) − 0.8) / (0.0799 − 0.8), is 1 in the
// middle and falls to about 0.13 in the corners. It darkens all four channels before the tone
// curve; the gamma then applies to the colour only.
TEST(PostPass, VignetteFallsFromOneAtTheCentreTowardsTheCorners) {
  ASSERT_NE(postProgram(), 0u);
  const GLuint grey = greyImage(0.2f);
  struct Case {
    int x;
    int y;
    float factor;  // from the formula at the pixel's centre
  };
  const Case cases[] = {
      {960, 540, 1.0f}, {1100, 620, 0.9989f}, {480, 270, 0.7448f}, {240, 135, 0.4234f},
      {0, 0, 0.1321f},  {1919, 1079, 0.1321f}, {0, 1079, 0.1321f},
  };
  const float colour = unfadedColour(0.2f, 0.2f);
  const float alpha = 0.3266f + 1.6734f + 1.0f + 1.0f;  // centre and rings, the scene once, `ca`'s 1
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "pixel " << c.x << "," << c.y);
    const auto pixel = pixelAt(postProgram(), 30000, grey, grey, c.x, c.y);
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(pixel[ch], shownColour(colour * c.factor), 2e-3f) << "channel " << ch;
    EXPECT_NEAR(pixel[3], toneCurve(alpha * c.factor), 2e-3f);
  }
  glDeleteTextures(1, &grey);
}

// At the centre every one of the 22 samples of each channel reads the middle of the gather image,
// whatever the strength, and the sum is divided by 25.5.
TEST(PostPass, AberrationAtTheCentreIs22SamplesOfTheMiddleOver25_5) {
  ASSERT_NE(caProgram(), 0u);
  std::vector<float> texels;
  for (int n = 0; n < 9; ++n) {
    if (n == 4) {
      texels.insert(texels.end(), {0.8f, 0.4f, 0.2f, 1.0f});
    } else {
      texels.insert(texels.end(), {0.1f, 0.6f, 0.9f, 1.0f});
    }
  }
  const GLuint gather = makeTexture(3, 3, texels);
  const GLuint program = buildFragmentProgram(withTestMain(shaderSourceFile("post.frag"), R"(
void main() { i = vec4(ca(vec2(0.0)), 1.0); }
)"));
  ASSERT_NE(program, 0u);
  for (const int ms : {0, 50000, 60000}) {
    SCOPED_TRACE(testing::Message() << ms << " ms");
    const auto pixel = pixelAt(program, ms, gather, 0, 300, 700);
    EXPECT_NEAR(pixel[0], 22 * 0.8f / 25.5f, 1e-4f);
    EXPECT_NEAR(pixel[1], 22 * 0.4f / 25.5f, 1e-4f);
    EXPECT_NEAR(pixel[2], 22 * 0.2f / 25.5f, 1e-4f);
  }
  glDeleteTextures(1, &gather);
}

// A white dot above the centre is smeared outward, away from the centre, by the channels' zoom:
// blue furthest, red least, and the smear lengthens as the strength grows from 40 s to 60 s.
TEST(PostPass, AberrationSmearOfABrightDotWidensFrom40To60Seconds) {
  ASSERT_NE(caProgram(), 0u);
  constexpr int dotX = 960;
  constexpr int dotY = 864;  // u = (0, 0.6)
  constexpr int radius = 4;
  std::vector<float> texels(static_cast<std::size_t>(kWidth) * kHeight * 4, 0.0f);
  for (int y = dotY - radius; y <= dotY + radius; ++y) {
    for (int x = dotX - radius; x <= dotX + radius; ++x) {
      if ((x - dotX) * (x - dotX) + (y - dotY) * (y - dotY) > radius * radius) continue;
      const std::size_t texel = (static_cast<std::size_t>(y) * kWidth + x) * 4;
      std::fill_n(texels.begin() + static_cast<std::ptrdiff_t>(texel), 4, 1.0f);
    }
  }
  const GLuint gather = makeTexture(kWidth, kHeight, texels);

  // How far above the dot's centre each channel still shows at least half a sample of the dot.
  const auto smearLengths = [&](int ms) {
    const Region column = {dotX, dotY, 1, kHeight - dotY};
    const auto pixels = renderRegion(caProgram(), ms, gather, 0, column);
    std::array<int, 3> lengths = {};
    for (int row = 0; row < column.height; ++row) {
      for (std::size_t ch = 0; ch < 3; ++ch) {
        if (pixels[static_cast<std::size_t>(row) * 4 + ch] > 0.5f / 25.5f) lengths[ch] = row;
      }
    }
    return lengths;
  };
  const auto at40 = smearLengths(40000);
  const auto at50 = smearLengths(50000);
  const auto at60 = smearLengths(60000);
  for (std::size_t ch = 0; ch < 3; ++ch) {
    SCOPED_TRACE(testing::Message() << "channel " << ch << ": " << at40[ch] << ", " << at50[ch] << ", " << at60[ch]
                                    << " pixels at 40, 50, 60 s");
    EXPECT_GT(at40[ch], radius);
    EXPECT_GT(at50[ch], at40[ch]);
    EXPECT_GT(at60[ch], at50[ch]);
  }
  for (const auto& lengths : {at40, at50, at60}) {
    EXPECT_LT(lengths[0], lengths[1]);
    EXPECT_LT(lengths[1], lengths[2]);
  }
  // Blue's furthest sample zooms by 0.996/(1 + 0.0002·canim) per step: about 1.11 times the dot's
  // distance from the centre at 40 s and 1.20 times at 60 s, so its smear nearly doubles.
  EXPECT_GT(at60[2], at40[2] * 3 / 2);
  glDeleteTextures(1, &gather);
}
