#include <gtest/gtest.h>

#include "gl/gl_test_support.h"

// The harness itself: a program that writes its ms and a sampled texel comes back exact.
TEST(GlTestSupport, RendersARegionWithUniformsAndTextures) {
  const GLuint input = makeTexture(1, 1, {0.25f, 0.5f, 0.75f, 1.0f}, GL_RGBA32F);
  const GLuint program = buildFragmentProgram(R"(#version 430
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D a;
layout(location = 2) uniform sampler2D b;
out vec4 o;
void main() { o = vec4(float(m), texture(a, vec2(0.5)).gb, gl_FragCoord.x); }
)");
  ASSERT_NE(program, 0u);
  const auto pixels = renderRegion(program, 1234, input, 0, {100, 200, 2, 1});
  ASSERT_EQ(pixels.size(), 8u);
  EXPECT_EQ(pixels[0], 1234.0f);
  EXPECT_EQ(pixels[1], 0.5f);
  EXPECT_EQ(pixels[2], 0.75f);
  EXPECT_EQ(pixels[3], 100.5f);
  EXPECT_EQ(pixels[7], 101.5f);
}
