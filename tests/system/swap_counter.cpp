// Preloaded into the demo by its whole-program tests: wraps SDL's buffer swap and, after each
// presented frame, appends the wall-clock time in milliseconds since the epoch as one line to the
// file named by KYLA_TEST_SWAP_LOG, so the record survives however the process ends.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

struct SDL_Window;

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  using Swap = void (*)(SDL_Window*);
  static const auto realSwap = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
  realSwap(window);
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  if (const char* path = std::getenv("KYLA_TEST_SWAP_LOG")) {
    if (FILE* file = std::fopen(path, "a")) {
      std::fprintf(file, "%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
      std::fclose(file);
    }
  }
}
