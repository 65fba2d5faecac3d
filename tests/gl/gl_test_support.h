// Drawing shaders on the real driver (llvmpipe through the headless backend) for tests.
//
// Programs are rendered into a 1920x1080 RGBA32F target with a scissor, so a test pays only for
// the pixels it reads, and gl_FragCoord has the same values as in a full frame.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/gl.h"

// Makes the headless GL context current (once per process); fails the test when there is none.
void ensureHeadlessContext();

// The text of src/shaders/<name>.
std::string shaderSourceFile(const char* name);

// The source with everything from its `void main(` on replaced by testMain. Functions stay exactly
// as they ship; the test's entry point can call them and write what it finds to the output.
std::string withTestMain(const std::string& source, const std::string& testMain);

// Builds a separable fragment program; on a compile or link failure it records a test failure
// with the log and returns 0.
GLuint buildFragmentProgram(const std::string& source);

// An RGBA texture of the given size from floats (row by row, bottom row first), with the
// pipeline's target settings. internalFormat is GL_RGBA8 for images like the targets, or
// GL_RGBA32F for exact values.
GLuint makeTexture(int width, int height, const std::vector<float>& rgba, GLenum internalFormat = GL_RGBA8);

// A 4x4 RGBA8 texture of one colour, with the pipeline's target settings: a flat input image.
GLuint flatImage(std::array<float, 4> rgba);

struct Region {
  int x = 0;
  int y = 0;
  int width = 1;
  int height = 1;
};

// Draws the program with uniform m = ms and the samplers at locations 1 and 2 reading texture
// units 1 and 2, where `unit1` and `unit2` are bound (0 for none), over the region of a
// 1920x1080 float target. Returns the region's pixels as RGBA floats, bottom row first.
// targetFormat GL_RGBA8 draws into an 8-bit target instead, which clamps and rounds what the
// program writes exactly as the pipeline's targets store it.
std::vector<float> renderRegion(GLuint program, int ms, GLuint unit1, GLuint unit2, Region region,
                                GLenum targetFormat = GL_RGBA32F);
