// The scene program's entry point as it ships: camera path, output alpha and the feedback echo,
// drawn the way the pipeline draws it (uniform m, previous images on units 1 and 2) over a few
// pixels of the full-size frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gl/gl_test_support.h"

namespace {

// A few pixels over the picture: houses near the centre, ground low on the left, far field high up.
// Every draw binds images of the same format on both units: llvmpipe compiles a fresh variant of
// this large program for each new texture or target format, at seconds apiece.
const Region kRegions[] = {{958, 538, 4, 1}, {300, 200, 4, 1}, {1500, 900, 4, 1}, {1700, 100, 4, 1}};

class SceneFrame : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string source = shaderSourceFile("fragment.frag");
    real = buildFragmentProgram(source);
    // The same render() from a camera stated outright: the start pose for m = 0, else the rest pose.
    pose = buildFragmentProgram(withTestMain(source, R"(void main() {
  vec2 v = -1.0 + 2.0 * gl_FragCoord.xy / R;
  v.x *= 1920.0 / 1080.0;
  vec3 ro = m == 0 ? vec3(0, 20, -10) : vec3(3, 4, 20);
  vec3 rt = m == 0 ? vec3(3, 10, 5) : vec3(0, 4, 35);
  vec3 z = normalize(rt - ro);
  vec3 x = normalize(cross(z, vec3(0, 1, 0)));
  vec3 y = normalize(cross(x, z));
  o = vec4(render(ro, normalize(x * v.x + y * v.y + z * 1.0471976), rt), 1);
}
)"));
  }

  // The regions' pixels, one after another; black previous images unless others are given.
  static std::vector<float> draw(GLuint program, int ms, GLuint unit1 = 0, GLuint unit2 = 0,
                                 GLenum targetFormat = GL_RGBA32F) {
    static const GLuint black = makeTexture(1, 1, {0, 0, 0, 0}, GL_RGBA32F);
    if (!unit1) unit1 = black;
    if (!unit2) unit2 = black;
    std::vector<float> pixels;
    for (const Region& region : kRegions) {
      const auto part = renderRegion(program, ms, unit1, unit2, region, targetFormat);
      pixels.insert(pixels.end(), part.begin(), part.end());
    }
    return pixels;
  }

  static GLuint real;
  static GLuint pose;
};

GLuint SceneFrame::real = 0;
GLuint SceneFrame::pose = 0;

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected, float tolerance) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], tolerance) << "pixel " << i / 4 << ", channel " << "rgba"[i % 4];
}

TEST_F(SceneFrame, StartsFromItsStartPoseAndRestsFrom60Seconds) {
  ASSERT_NE(real, 0u);
  ASSERT_NE(pose, 0u);
  expectNear(draw(real, 0), draw(pose, 0), 1e-4f);

  const auto rest = draw(real, 60000);
  expectNear(rest, draw(pose, 60000), 1e-4f);
  EXPECT_EQ(draw(real, 90000), rest) << "the camera moved after 60 s";
  EXPECT_NE(draw(real, 50000), rest) << "the camera was already at rest at 50 s";
}

TEST_F(SceneFrame, AddsAQuarterOfEachPreviousImageWithAlphaOne) {
  ASSERT_NE(real, 0u);
  const GLuint previousScene = makeTexture(1, 1, {0.4f, 0.8f, 0.2f, 0.3f}, GL_RGBA32F);
  const GLuint previousGather = makeTexture(1, 1, {0.2f, 0.0f, 0.6f, 0.9f}, GL_RGBA32F);
  const float echo[3] = {0.15f, 0.2f, 0.2f};

  const auto alone = draw(real, 20000);
  const auto echoed = draw(real, 20000, previousScene, previousGather);
  ASSERT_EQ(echoed.size(), alone.size());
  for (std::size_t i = 0; i < alone.size(); i += 4) {
    for (std::size_t k = 0; k < 3; ++k)
      EXPECT_NEAR(echoed[i + k] - alone[i + k], echo[k], 1e-6f) << "pixel " << i / 4 << ", channel " << "rgb"[k];
    EXPECT_EQ(alone[i + 3], 1.0f);
    EXPECT_EQ(echoed[i + 3], 1.0f);
  }

  // In the pipeline's 8-bit targets the sum is clamped, so white previous images keep it at most 1.
  const GLuint white = makeTexture(1, 1, {1, 1, 1, 1}, GL_RGBA32F);
  const auto stored = draw(real, 20000, white, white, GL_RGBA8);
  ASSERT_EQ(stored.size(), alone.size());
  for (std::size_t i = 0; i < alone.size(); ++i) {
    const float expected = i % 4 == 3 ? 1.0f : std::min(alone[i] + 0.5f, 1.0f);
    EXPECT_NEAR(stored[i], expected, 0.6f / 255) << "pixel " << i / 4 << ", channel " << "rgba"[i % 4];
  }
}

}  // namespace
