// Placeholder until the SDL2 desktop backend lands.
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

bool platformOpenDisplay(const DisplayMode&) {
  std::fprintf(stderr, "kyla: no desktop backend yet\n");
  return false;
}
void* platformGLProc(const char*) { return nullptr; }
void platformPollEvent() {}
bool platformKeyDown(Key) { return false; }
void platformMessageBox(const char*) {}
void platformSwapBuffers() {}
std::uint32_t platformMilliseconds() { return 0; }
void platformSleep(std::uint32_t) {}
void platformExit(int status) { std::exit(status); }
