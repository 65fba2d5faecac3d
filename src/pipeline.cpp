#include "pipeline.h"

namespace {

constexpr int kLogCapacity = 2048;

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

void deleteTargets(Pipeline& p) {
  gl<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers")(3, p.framebuffers);
  glDeleteTextures(3, p.targets);
}

GLuint createProgram(const char* source) {
  return gl<PFNGLCREATESHADERPROGRAMVPROC>("glCreateShaderProgramv")(GL_FRAGMENT_SHADER, 1, &source);
}

// One row of the schedule in pipeline.h for parity k: the unit made active and the target bound
// on it, where the pass draws, its program, and the units its samplers read.
struct PassBinding {
  int unit;
  GLuint framebuffer;
  int texture;
  GLuint program;
  GLint location1;
  GLint location2;
};

PassBinding bindingOf(const Pipeline& p, Pass pass) {
  const int k = p.parity;
  switch (pass) {
    case Pass::Scene: return {1 - k, p.framebuffers[k], 1 - k, p.scene, 1 - k, kGatherTarget};
    case Pass::Gather: return {k, p.framebuffers[kGatherTarget], k, p.gather, k, 1 - k};
    case Pass::Post: break;
  }
  return {kGatherTarget, 0, kGatherTarget, p.post, kGatherTarget, k};
}

// Binds a pass's state in the fixed order: active unit, framebuffer, texture, program.
void bindPass(const Pipeline& p, const PassBinding& b) {
  gl<PFNGLACTIVETEXTUREPROC>("glActiveTexture")(GL_TEXTURE0 + static_cast<GLenum>(b.unit));
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, b.framebuffer);
  glBindTexture(GL_TEXTURE_2D, p.targets[b.texture]);
  gl<PFNGLUSEPROGRAMPROC>("glUseProgram")(b.program);
}

// Sets the three uniforms and draws the full-screen rectangle.
void setUniformsAndDraw(std::int32_t ms, const PassBinding& b) {
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(0, ms);
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(1, b.location1);
  gl<PFNGLUNIFORM1IPROC>("glUniform1i")(2, b.location2);
  glRects(-1, -1, 1, 1);
}

}  // namespace

void setUpPipeline(Pipeline& p, const char* const (&sources)[kShaderSourceCount]) {
  createTargets(p);
  // Built in the table's order, as the compile checks below run.
  p.scene = createProgram(sources[kSceneSource]);
  p.post = createProgram(sources[kPostSource]);
  p.gather = createProgram(sources[kGatherSource]);
  for (const char* source : sources) checkShaderCompiles(source);
}

void resetTargets(Pipeline& p) {
  deleteTargets(p);
  createTargets(p);
  p.parity = 0;
}

void releasePipeline(Pipeline& p) {
  deleteTargets(p);
  for (GLuint program : {p.scene, p.post, p.gather}) gl<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program);
  p = Pipeline{};
}

GLuint buildLinkedProgram(const char* source, std::string* log) {
  const GLuint program = createProgram(source);
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

void drawPass(const Pipeline& p, Pass pass, std::int32_t ms) {
  const PassBinding binding = bindingOf(p, pass);
  bindPass(p, binding);
  setUniformsAndDraw(ms, binding);
}

std::int32_t drawFrame(Pipeline& p, const std::function<std::int32_t()>& readMs) {
  // The position is read with the scene pass bound, just before it draws.
  const PassBinding scene = bindingOf(p, Pass::Scene);
  bindPass(p, scene);
  const std::int32_t ms = readMs();
  setUniformsAndDraw(ms, scene);
  drawPass(p, Pass::Gather, ms);
  drawPass(p, Pass::Post, ms);
  return ms;
}

void presentFrame(Pipeline& p) {
  platformSwapBuffers();
  p.parity = 1 - p.parity;
}
