// A check of the SDL backend on a real X server, driven by sdl-keys.sh: the clock starts above the
// shader reload's 500 ms debounce, and a key held down reads down on every query, not only on the
// first after the press. Prints what it saw; exits 0 when both hold.
#include <cstdio>

#include "demo.h"

int main() {
  if (!platformOpenDisplay(displayMode)) return 1;
  const std::uint32_t start = platformMilliseconds();
  std::printf("clock at start: %u ms\n", start);
  if (start <= 500) {
    std::printf("FAIL: a Ctrl+S now would fall inside the reload's debounce\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);

  bool seen = false;
  for (int wait = 0; wait < 3000 && !seen; ++wait) {
    platformPollEvent();
    seen = platformKeyDown(Key::S);
    if (!seen) platformSleep(10);
  }
  if (!seen) {
    std::printf("FAIL: S was never seen\n");
    return 1;
  }
  int down = 0;
  for (int query = 0; query < 20; ++query) {
    platformSleep(10);
    platformPollEvent();
    down += platformKeyDown(Key::S);
  }
  std::printf("S held: read down on %d of 20 queries\n", down);
  return down == 20 ? 0 : 1;
}
