// scene-bench: how long the scene pass takes at 1920x1080 on the GL driver at hand, and how many
// evaluations of the distance field it makes per pixel.
//
// Draws the embedded scene program through the pipeline's own targets and scene pass on the
// headless backend, as the demo's frame does, at fixed frame times. The evaluation count comes
// from an instrumented build of the same embedded source: a counter is inserted at the top of
// scene() and main() writes it out in place of the colour. Prints figures, asserts nothing.
#include <getopt.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_info.h"
#include "demo.h"
#include "options.h"

namespace {

constexpr int kTimesMs[] = {10000, 30000, 60000};

const char* const kUsage = R"(usage: scene-bench [--frames N]

Renders the scene pass of the demo at 1920x1080 on the available GL driver (headless EGL) and
prints the milliseconds per frame at 10 s, 30 s and 60 s of the timeline, then, from a build of
the same shader that counts its calls of scene(), the mean and largest number of scene()
evaluations per pixel at those times. Prints the machine and the GL renderer it ran on.

  --frames N   timed frames per time after one untimed warm-up frame (default 2)
  --help       this text

Set MESA_SHADER_CACHE_DISABLE=true for repeatable compile times.
)";

// Builds a separable fragment program; prints the log and returns 0 when it does not link.
GLuint buildProgram(const std::string& source, const char* what) {
  std::string log;
  const GLuint program = buildLinkedProgram(source.c_str(), &log);
  if (!program) std::fprintf(stderr, "scene-bench: the %s did not build:\n%s\n", what, log.c_str());
  return program;
}

// The scene source with a counter of scene() calls that main() writes to the red channel.
// Returns an empty string when the source does not have the shape the insertion relies on.
std::string instrumentedSource(const std::string& source) {
  const auto scene = source.find("\nfloat scene(");
  const auto body = scene == std::string::npos ? scene : source.find('{', scene);
  const auto mainAt = source.rfind("void main(");
  const auto mainEnd = source.rfind('}');
  if (body == std::string::npos || mainAt == std::string::npos || mainEnd < mainAt) return {};
  std::string text = source;
  text.insert(mainEnd, "  o = vec4(float(sceneEvaluations), 0, 0, 1);\n");
  text.insert(body + 1, "\n  ++sceneEvaluations;");
  text.insert(scene + 1, "int sceneEvaluations = 0;\n");
  return text;
}

// One scene pass as the frame draws it, finished before the clock is read.
void drawScenePass(const Pipeline& p, int ms) {
  drawPass(p, Pass::Scene, ms);
  glFinish();
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A 1920x1080 float target, so that counts come back exact.
GLuint makeCountTarget() {
  GLuint texture = 0;
  GLuint framebuffer = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kWidth, kHeight, 0, GL_RGBA, GL_FLOAT, nullptr);
  gl<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers")(1, &framebuffer);
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, framebuffer);
  gl<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2D")(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                                              texture, 0);
  return framebuffer;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 2;
  const option options[] = {{"frames", required_argument, nullptr, 'f'}, {"help", no_argument, nullptr, 'h'}, {}};
  for (int code; (code = getopt_long(argc, argv, ":h", options, nullptr)) != -1;) {
    if (code == 'h') {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (code != 'f') {
      reportBadOption("scene-bench", code, argv);
      return kExitBadOption;
    }
    if (!readNumberOption("scene-bench", "--frames", optarg, "a whole number above 0", frames, 1))
      return kExitBadOption;
  }
  if (!noArgumentsLeft("scene-bench", argc, argv)) return kExitBadOption;

  if (!platformOpenDisplay(displayMode)) return 1;
  std::printf("machine:  %s\n", benchMachine().c_str());
  std::printf("GL:       %s\n", benchGLDriver().c_str());
  const char* cache = std::getenv("MESA_SHADER_CACHE_DISABLE");
  std::printf("shader cache: %s\n", cache && std::string(cache) == "true" ? "disabled" : "enabled");

  Pipeline pipeline;
  setUpPipeline(pipeline, shaderSources);
  // Built again on its own to time it: the scene program is the one that costs.
  gl<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(pipeline.scene);
  const auto buildStart = std::chrono::steady_clock::now();
  pipeline.scene = buildProgram(shaderSources[kSceneSource], "scene program");
  if (!pipeline.scene) return 1;
  std::printf("scene program build: %.0f ms\n", millisecondsSince(buildStart));

  // Every frame after the first finds the gather target on unit 2; one post pass puts it there.
  drawPass(pipeline, Pass::Post, 0);
  std::printf("\nscene pass, 1920x1080, %d timed frame%s after one warm-up:\n", frames, frames == 1 ? "" : "s");
  for (const int ms : kTimesMs) {
    const auto warmStart = std::chrono::steady_clock::now();
    drawScenePass(pipeline, ms);
    const double warmUp = millisecondsSince(warmStart);
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < frames; ++frame) drawScenePass(pipeline, ms);
    std::printf("  %2d s: %8.1f ms per frame   (warm-up frame %.1f ms)\n", ms / 1000,
                millisecondsSince(start) / frames, warmUp);
  }

  const std::string counted = instrumentedSource(shaderSources[kSceneSource]);
  if (counted.empty()) {
    std::fprintf(stderr, "scene-bench: the scene source has no scene() or main() to count in\n");
    return 1;
  }
  const GLuint counter = buildProgram(counted, "counting scene program");
  if (!counter) return 1;
  // The same schedule with the counting program drawing into the float target.
  Pipeline counting = pipeline;
  counting.scene = counter;
  counting.framebuffers[counting.parity] = makeCountTarget();
  std::vector<float> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
  std::printf("\nscene() evaluations per pixel:\n");
  for (const int ms : kTimesMs) {
    drawScenePass(counting, ms);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_FLOAT, pixels.data());
    double sum = 0;
    float largest = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      sum += pixels[i];
      largest = std::max(largest, pixels[i]);
    }
    std::printf("  %2d s: mean %6.1f   largest %4.0f\n", ms / 1000, sum / (static_cast<double>(kWidth) * kHeight),
                static_cast<double>(largest));
  }
  return 0;
}
