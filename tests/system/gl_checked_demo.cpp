// The demo with GL's debug output turned into a failure: any message GL gives as an error ends
// the run at once, with the message and status 3. For the whole-run test; the demo itself does
// not watch the debug output. With KYLA_GL_CHECK_PROVE set it makes one bad call right after the
// display opens, so a test can see the check fire.
#include <cstdio>
#include <cstdlib>

#include "demo.h"

namespace {

constexpr int kExitGlError = 3;

void GLAPIENTRY failOnError(GLenum, GLenum type, GLuint id, GLenum severity, GLsizei, const GLchar* message,
                            const void*) {
  if (type != GL_DEBUG_TYPE_ERROR && severity != GL_DEBUG_SEVERITY_HIGH) return;
  std::fprintf(stderr, "kyla-gl-checked: GL error %u: %s\n", id, message);
  std::fflush(stderr);
  std::_Exit(kExitGlError);
}

void watchGlErrors() {
  glEnable(GL_DEBUG_OUTPUT);
  // Synchronous, so the message comes from inside the call that caused it.
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  gl<PFNGLDEBUGMESSAGECALLBACKPROC>("glDebugMessageCallback")(failOnError, nullptr);
  if (glGetError() != GL_NO_ERROR) {
    std::fputs("kyla-gl-checked: GL debug output cannot be turned on\n", stderr);
    std::_Exit(kExitGlError);
  }
  if (std::getenv("KYLA_GL_CHECK_PROVE")) glEnable(0xffff);
}

}  // namespace

int main() {
  static Pipeline pipeline;
  static SoundtrackPlayer player;
  const auto afterStep = [](StartStep step) {
    if (step == StartStep::DisplayOpen) watchGlErrors();
  };
  if (!startDemo(pipeline, player, kSoundtrackFile, afterStep)) platformExit(1);
  runFrameLoop(pipeline, player, [](Pipeline&, SoundtrackPlayer&) {});
  platformExit(0);
}
