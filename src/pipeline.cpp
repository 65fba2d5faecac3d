#include "pipeline.h"

namespace {
constexpr int kLogCapacity = 2048;
}

void createTargets(Pipeline& p) {
  glGenTextures(3, p.targets);
  gl<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers")(3, p.framebuffers);
  for (int j = 0; j < 3; ++j) {
    glBindTexture(GL_TEXTURE_2D, p.targets[j]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    // Allocates the mip chain once so that the texture is complete under the mipmapped filter.
    gl<PFNGLGENERATEMIPMAPPROC>("glGenerateMipmap")(GL_TEXTURE_2D);
    gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, p.framebuffers[j]);
    gl<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2D")(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                                                GL_TEXTURE_2D, p.targets[j], 0);
  }
}

void setUpPipeline(Pipeline& p, const char* const sources[3]) {
  createTargets(p);
  GLuint* programs[3] = {&p.scene, &p.post, &p.gather};
  for (int slot = 0; slot < 3; ++slot)
    *programs[slot] = gl<PFNGLCREATESHADERPROGRAMVPROC>("glCreateShaderProgramv")(GL_FRAGMENT_SHADER, 1,
                                                                                  &sources[slot]);
  for (int slot = 0; slot < 3; ++slot) checkShaderCompiles(sources[slot]);
}

GLuint buildLinkedProgram(const char* source, std::string* log) {
  const GLuint program = gl<PFNGLCREATESHADERPROGRAMVPROC>("glCreateShaderProgramv")(GL_FRAGMENT_SHADER, 1, &source);
  GLint linked = 0;
  if (program) gl<PFNGLGETPROGRAMIVPROC>("glGetProgramiv")(program, GL_LINK_STATUS, &linked);
  if (linked) return program;
  char text[kLogCapacity] = {};
  if (program) gl<PFNGLGETPROGRAMINFOLOGPROC>("glGetProgramInfoLog")(program, kLogCapacity - 1, nullptr, text);
  gl<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program);
  if (log) *log = text;
  return 0;
}

bool checkShaderCompiles(const char* source) {
  const GLuint shader = gl<PFNGLCREATESHADERPROC>("glCreateShader")(GL_FRAGMENT_SHADER);
  gl<PFNGLSHADERSOURCEPROC>("glShaderSource")(shader, 1, &source, nullptr);
  gl<PFNGLCOMPILESHADERPROC>("glCompileShader")(shader);
  GLint compiled = 0;
  gl<PFNGLGETSHADERIVPROC>("glGetShaderiv")(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled) {
    gl<PFNGLDELETESHADERPROC>("glDeleteShader")(shader);
    return true;
  }
  char log[kLogCapacity] = {};
  gl<PFNGLGETSHADERINFOLOGPROC>("glGetShaderInfoLog")(shader, kLogCapacity - 1, nullptr, log);
  platformMessageBox(log);
  return false;
}

void bindPass(GLenum unit, GLuint framebuffer, GLuint texture, GLuint program) {
  gl<PFNGLACTIVETEXTUREPROC>("glActiveTexture")(unit);
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, framebuffer);
  glBindTexture(GL_TEXTURE_2D, texture);
  gl<PFNGLUSEPROGRAMPROC>("glUseProgram")(program);
}

void setUniformsAndDraw(std::int32_t ms, GLint location1, GLint location2) {
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(0, ms);
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(1, location1);
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(2, location2);
  glRects(-1, -1, 1, 1);
}

void presentFrame(Pipeline& p) {
  platformSwapBuffers();
  p.parity = 1 - p.parity;
}
