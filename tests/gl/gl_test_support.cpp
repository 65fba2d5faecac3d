#include "gl/gl_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "demo.h"

void ensureHeadlessContext() {
  static const bool opened = [] {
    return platformOpenDisplay(displayMode);
  }();
  ASSERT_TRUE(opened) << "no headless GL 4.3 compatibility context";
}

std::string shaderSourceFile(const char* name) {
  std::ifstream file(std::string(KYLA_SOURCE_DIR) + "/src/shaders/" + name, std::ios::binary);
  EXPECT_TRUE(file) << "cannot read src/shaders/" << name;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string withTestMain(const std::string& source, const std::string& testMain) {
  const auto at = source.rfind("void main(");
  EXPECT_NE(at, std::string::npos) << "the source has no main";
  return source.substr(0, at) + testMain;
}

GLuint buildFragmentProgram(const std::string& source) {
  ensureHeadlessContext();
  std::string log;
  const GLuint program = buildLinkedProgram(source.c_str(), &log);
  if (!program) ADD_FAILURE() << "program did not build:\n" << log;
  return program;
}

GLuint makeTexture(int width, int height, const std::vector<float>& rgba, GLenum internalFormat) {
  ensureHeadlessContext();
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), width, height, 0, GL_RGBA, GL_FLOAT,
               rgba.data());
  gl<PFNGLGENERATEMIPMAPPROC>("glGenerateMipmap")(GL_TEXTURE_2D);
  return texture;
}

GLuint flatImage(std::array<float, 4> rgba) {
  std::vector<float> texels;
  for (int n = 0; n < 4 * 4; ++n) texels.insert(texels.end(), rgba.begin(), rgba.end());
  return makeTexture(4, 4, texels);
}

std::vector<float> renderRegion(GLuint program, int ms, GLuint unit1, GLuint unit2, Region region,
                                GLenum targetFormat) {
  ensureHeadlessContext();
  // One target per format, made on first use.
  static GLuint targets[2] = {};
  static GLuint framebuffers[2] = {};
  const int which = targetFormat == GL_RGBA8 ? 1 : 0;
  GLuint& target = targets[which];
  GLuint& framebuffer = framebuffers[which];
  if (!target) {
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(targetFormat == GL_RGBA8 ? GL_RGBA8 : GL_RGBA32F), kWidth,
                 kHeight, 0, GL_RGBA, GL_FLOAT, nullptr);
    gl<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers")(1, &framebuffer);
    gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, framebuffer);
    gl<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2D")(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                                                target, 0);
  }
  const GLuint units[2] = {unit1, unit2};
  for (int unit = 1; unit <= 2; ++unit) {
    gl<PFNGLACTIVETEXTUREPROC>("glActiveTexture")(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, units[unit - 1]);
  }
  gl<PFNGLACTIVETEXTUREPROC>("glActiveTexture")(GL_TEXTURE0);
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, kWidth, kHeight);
  glEnable(GL_SCISSOR_TEST);
  glScissor(region.x, region.y, region.width, region.height);
  gl<PFNGLUSEPROGRAMPROC>("glUseProgram")(program);
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(0, ms);
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(1, 1);
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(2, 2);
  glRects(-1, -1, 1, 1);
  glDisable(GL_SCISSOR_TEST);
  std::vector<float> pixels(static_cast<std::size_t>(region.width) * region.height * 4);
  glReadPixels(region.x, region.y, region.width, region.height, GL_RGBA, GL_FLOAT, pixels.data());
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, 0);
  return pixels;
}
