// A platform without a window or a driver, for host-logic tests. GL entry points looked up by
// name are stubs that count their calls; shader compiles succeed unless the test says otherwise.
#include "fakes/fake_platform.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <cstring>

namespace {
FakePlatform state;
GLuint nextHandle = 1;

void count(const char* name) { ++state.glCalls[name]; }

GLuint APIENTRY fakeCreateShader(GLenum) { count("glCreateShader"); return nextHandle++; }
void APIENTRY fakeShaderSource(GLuint, GLsizei, const GLchar* const*, const GLint*) { count("glShaderSource"); }
void APIENTRY fakeCompileShader(GLuint) { count("glCompileShader"); }
void APIENTRY fakeGetShaderiv(GLuint, GLenum, GLint* value) {
  count("glGetShaderiv");
  *value = state.nextCompileFails ? 0 : 1;
  state.nextCompileFails = false;
}
void APIENTRY fakeGetShaderInfoLog(GLuint, GLsizei capacity, GLsizei*, GLchar* log) {
  count("glGetShaderInfoLog");
  std::strncpy(log, state.compileLog.c_str(), static_cast<std::size_t>(capacity));
}
void APIENTRY fakeDeleteShader(GLuint) { count("glDeleteShader"); }
void APIENTRY fakeDeleteProgram(GLuint) { count("glDeleteProgram"); }
GLuint APIENTRY fakeCreateShaderProgramv(GLenum, GLsizei, const GLchar* const*) {
  count("glCreateShaderProgramv");
  return nextHandle++;
}
void APIENTRY fakeGetProgramiv(GLuint, GLenum, GLint* value) { count("glGetProgramiv"); *value = 1; }
void APIENTRY fakeOther() {}
}  // namespace

FakePlatform& fakePlatform() { return state; }

void resetFakePlatform() {
  state = FakePlatform{};
  nextHandle = 1;
}

bool platformOpenDisplay(const DisplayMode&) { return true; }

void* platformGLProc(const char* name) {
  struct Entry { const char* name; void* function; };
  static const Entry entries[] = {
      {"glCreateShader", reinterpret_cast<void*>(fakeCreateShader)},
      {"glShaderSource", reinterpret_cast<void*>(fakeShaderSource)},
      {"glCompileShader", reinterpret_cast<void*>(fakeCompileShader)},
      {"glGetShaderiv", reinterpret_cast<void*>(fakeGetShaderiv)},
      {"glGetShaderInfoLog", reinterpret_cast<void*>(fakeGetShaderInfoLog)},
      {"glDeleteShader", reinterpret_cast<void*>(fakeDeleteShader)},
      {"glDeleteProgram", reinterpret_cast<void*>(fakeDeleteProgram)},
      {"glCreateShaderProgramv", reinterpret_cast<void*>(fakeCreateShaderProgramv)},
      {"glGetProgramiv", reinterpret_cast<void*>(fakeGetProgramiv)},
  };
  for (const Entry& entry : entries)
    if (std::strcmp(entry.name, name) == 0) return entry.function;
  ++state.glCalls[name];
  return reinterpret_cast<void*>(fakeOther);
}

void platformPollEvent() { ++state.polls; }
bool platformKeyDown(Key key) { return state.keysDown[static_cast<int>(key)]; }
void platformMessageBox(const char* text) { state.messageBoxes.emplace_back(text); }
void platformSwapBuffers() { ++state.swaps; }
std::uint32_t platformMilliseconds() { return state.milliseconds; }
void platformSleep(std::uint32_t milliseconds) {
  state.sleeps.push_back(milliseconds);
  state.milliseconds += milliseconds;
}
void platformExit(int status) { std::exit(status); }
