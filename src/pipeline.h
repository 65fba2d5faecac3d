// The render pipeline: three targets, three fragment-only programs and one frame's three passes.
//
//   pass    program  draws into   unit 1 reads                 unit 2 reads
//   scene   scene    T(k)         T(1-k) previous scene        T2 previous gather
//   gather  gather   T2           T(k)   this frame's scene    T(1-k) previous scene
//   post    post     window       T2     this frame's gather   T(k) this frame's scene
//
// k is the frame's parity. Unit j always holds Tj after the first frame, so the sampler
// uniforms are set to the target numbers themselves. Every pass gets the same ms.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gl.h"

inline constexpr int kWidth = 1920;
inline constexpr int kHeight = 1080;
inline constexpr int kGatherTarget = 2;

struct Pipeline {
  GLuint targets[3] = {};       // T0 and T1: the sceneTarget pair; T2: the gatherTarget
  GLuint framebuffers[3] = {};  // Fj draws into Tj
  GLuint scene = 0;
  GLuint post = 0;
  GLuint gather = 0;
  int parity = 0;
};

// Creates the targets, then builds the programs from sources (scene, post, gather) and runs the
// compile check on each. A source that fails keeps the program it produced.
void setUpPipeline(Pipeline& pipeline, const char* const sources[3]);
void createTargets(Pipeline& pipeline);

// Builds a separable fragment program and checks that it linked. When it did not (a source
// without main() compiles but does not link), deletes it, puts the linker's log into *log when
// log is given, and returns 0.
GLuint buildLinkedProgram(const char* source, std::string* log = nullptr);

// Compiles one fragment source into a throw-away shader. On failure shows the compiler log in a
// message box, waits for it to be dismissed and returns false.
bool checkShaderCompiles(const char* source);

// Binds a pass's state in the fixed order: active unit, framebuffer, texture, program.
void bindPass(GLenum unit, GLuint framebuffer, GLuint texture, GLuint program);
// Sets the three uniforms and draws the full-screen rectangle.
void setUniformsAndDraw(std::int32_t ms, GLint location1, GLint location2);

// Draws the frame's three passes. readMs is called once, inside the scene pass, and its value
// goes to all three. Returns that value.
template <typename ReadMs>
std::int32_t drawFrame(Pipeline& p, ReadMs&& readMs) {
  const int k = p.parity;
  bindPass(GL_TEXTURE0 + 1 - k, p.framebuffers[k], p.targets[1 - k], p.scene);
  const std::int32_t ms = readMs();
  setUniformsAndDraw(ms, 1 - k, kGatherTarget);

  bindPass(GL_TEXTURE0 + k, p.framebuffers[kGatherTarget], p.targets[k], p.gather);
  setUniformsAndDraw(ms, k, 1 - k);

  bindPass(GL_TEXTURE0 + kGatherTarget, 0, p.targets[kGatherTarget], p.post);
  setUniformsAndDraw(ms, kGatherTarget, k);
  return ms;
}

// Presents the window's frame and flips the parity.
void presentFrame(Pipeline& p);
