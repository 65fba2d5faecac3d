// Tables of GLSL cases run on the real scene source, one case per pixel along the bottom row.
//
// Each case is a few GLSL statements that set the vec4 `r`; they run in a test entry point that
// replaces the source's main, at the pixel whose gl_FragCoord.x is the case's index + 0.5. The
// statements may use `zero`, a 0.0 that the compiler cannot fold, so that a case runs the
// shipped functions on the driver rather than as constants folded at compile time.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "gl/gl_test_support.h"

struct ShaderCase {
  const char* name;
  std::string glsl;
  std::array<float, 4> expected;
  float tolerance;
};

// The test main for the cases, writing `r` to the output named `output`.
inline std::string caseRowMain(const std::vector<ShaderCase>& cases, const char* output = "o") {
  std::string text = "void main() {\n  int c = int(gl_FragCoord.x);\n  float zero = gl_FragCoord.y - 0.5;\n"
                     "  vec4 r = vec4(0);\n";
  for (std::size_t i = 0; i < cases.size(); ++i)
    text += std::string(i ? "  else if" : "  if") + " (c == " + std::to_string(i) + ") {\n" + cases[i].glsl + "\n  }\n";
  return text + "  " + output + " = r;\n}\n";
}

// Builds the source with the cases' main and renders them at frame time ms; one RGBA per case.
inline std::vector<std::array<float, 4>> renderCases(const std::string& source, const std::vector<ShaderCase>& cases,
                                                     int ms = 0) {
  const GLuint program = buildFragmentProgram(withTestMain(source, caseRowMain(cases)));
  if (!program) return {};
  const auto pixels = renderRegion(program, ms, 0, 0, {0, 0, static_cast<int>(cases.size()), 1});
  std::vector<std::array<float, 4>> results(cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i)
    for (std::size_t k = 0; k < 4; ++k) results[i][k] = pixels[i * 4 + k];
  return results;
}

// Renders the cases and checks every channel against its expected value.
inline void expectCases(const std::string& source, const std::vector<ShaderCase>& cases, int ms = 0) {
  const auto results = renderCases(source, cases, ms);
  ASSERT_EQ(results.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i)
    for (std::size_t k = 0; k < 4; ++k)
      EXPECT_NEAR(results[i][k], cases[i].expected[k], cases[i].tolerance)
          << cases[i].name << ", channel " << "rgba"[k];
}
