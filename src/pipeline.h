// The render pipeline: three targets, three fragment-only programs and one frame's three passes.
//
//   pass    program  draws into   unit 1 reads                 unit 2 reads
//   scene   scene    T(k)         T(1-k) previous scene        T2 previous gather
//   gather  gather   T2           T(k)   this frame's scene    T(1-k) previous scene
//   post    post     window       T2     this frame's gather   T(k) this frame's scene
//
// k is the frame's parity. Unit j always holds Tj after the first frame, so the sampler
// uniforms are set to the target numbers themselves. Every pass gets the same ms.
//
// The schedule lives in drawPass alone: the demo, the capture tool and the benchmarks draw
// through it, so none of them can time or capture a pass bound differently.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/gl.h"
#include "shader_sources.h"

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

enum class Pass { Scene, Gather, Post };

// Creates the targets, then builds the programs from the sources, indexed by ShaderSlot, and
// runs the compile check on each in the table's order. A source that fails keeps the program it
// produced.
void setUpPipeline(Pipeline& pipeline, const char* const (&sources)[kShaderSourceCount]);

// Replaces the targets with new, empty ones and sets the parity to 0: the next frame starts as
// the demo's first does. The programs are kept.
void resetTargets(Pipeline& pipeline);

// Deletes the programs, framebuffers and textures and leaves the record empty.
void releasePipeline(Pipeline& pipeline);

// Builds a separable fragment program and checks that it linked. When it did not (a source
// without main() compiles but does not link), deletes it, puts the linker's log into *log when
// log is given, and returns 0.
GLuint buildLinkedProgram(const char* source, std::string* log = nullptr);

// Compiles one fragment source into a throw-away shader. On failure shows the compiler log in a
// message box, waits for it to be dismissed and returns false.
bool checkShaderCompiles(const char* source);

// Draws one pass of the frame with the pipeline's parity: binds its state in the fixed order
// (active unit, framebuffer, texture, program), sets the three uniforms and draws the
// full-screen rectangle.
void drawPass(const Pipeline& p, Pass pass, std::int32_t ms);

// Draws the frame's three passes. readMs is called once, after the scene pass is bound and
// before it draws, and its value goes to all three. Returns that value.
std::int32_t drawFrame(Pipeline& p, const std::function<std::int32_t()>& readMs);

// Presents the window's frame and flips the parity.
void presentFrame(Pipeline& p);
