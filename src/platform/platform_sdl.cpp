// Desktop backend over SDL2 (X11, Wayland or KMS, whichever SDL finds).
//
// The display is a visible borderless window of the mode's size at the screen origin, switched to
// a full-screen mode of that size when the screen offers one. SDL undoes the mode change when its
// video subsystem shuts down, so every way out that we can catch goes through SDL_Quit: exit(),
// platformExit(), Ctrl+C and SIGTERM (which end the run as Escape does), and the crash signals.
// A SIGKILL cannot be caught; the mode then stays as it was left.
//
// Depends on SDL2 and a GL 4.3 compatibility-profile driver.
#include <SDL.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/gl.h"

namespace {

// Key-downs seen since the last query of each key; set by the event watch as events arrive.
std::atomic<bool> pressedSinceQuery[kKeyCount] = {};
volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t shuttingDown = 0;
SDL_Window* window = nullptr;

int keyIndex(SDL_Keycode key) {
  switch (key) {
    case SDLK_ESCAPE: return static_cast<int>(Key::Escape);
    case SDLK_LCTRL:
    case SDLK_RCTRL: return static_cast<int>(Key::Control);
    case SDLK_s: return static_cast<int>(Key::S);
    case SDLK_SPACE: return static_cast<int>(Key::Space);
    case SDLK_LEFT: return static_cast<int>(Key::Left);
    case SDLK_RIGHT: return static_cast<int>(Key::Right);
    case SDLK_HOME: return static_cast<int>(Key::Home);
    default: return -1;
  }
}

bool keyIsDownNow(Key key) {
  const Uint8* state = SDL_GetKeyboardState(nullptr);
  switch (key) {
    case Key::Escape: return state[SDL_SCANCODE_ESCAPE];
    case Key::Control: return state[SDL_SCANCODE_LCTRL] || state[SDL_SCANCODE_RCTRL];
    case Key::S: return state[SDL_SCANCODE_S];
    case Key::Space: return state[SDL_SCANCODE_SPACE];
    case Key::Left: return state[SDL_SCANCODE_LEFT];
    case Key::Right: return state[SDL_SCANCODE_RIGHT];
    case Key::Home: return state[SDL_SCANCODE_HOME];
  }
  return false;
}

// Runs for every event as SDL queues it, so a tap that is down and up again between two queries
// is still seen, however few events the frame loop takes off the queue.
int recordKeyDown(void*, SDL_Event* event) {
  if (event->type == SDL_KEYDOWN) {
    const int index = keyIndex(event->key.keysym.sym);
    if (index >= 0) pressedSinceQuery[index] = true;
  }
  return 1;
}

void requestStop(int) { stopRequested = 1; }

// A crash still gives the screen its mode back before the process dies of the signal.
void restoreDisplayAndDie(int signal) {
  if (!shuttingDown) {
    shuttingDown = 1;
    SDL_Quit();
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void shutDown() {
  if (shuttingDown) return;
  shuttingDown = 1;
  SDL_Quit();
}

void installSignalHandlers() {
  // SDL would turn Ctrl+C and SIGTERM into a quit event that nothing reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  struct sigaction stop = {};
  stop.sa_handler = requestStop;
  stop.sa_flags = SA_RESTART;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGHUP, &stop, nullptr);

  struct sigaction crash = {};
  crash.sa_handler = restoreDisplayAndDie;
  crash.sa_flags = static_cast<int>(SA_RESETHAND);
  sigemptyset(&crash.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &crash, nullptr);
}

void setFramebufferAttributes(int depthBits) {
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// The window's visual carries the framebuffer format, so the depth fallback happens here: the
// deepest depth buffer that the driver offers together with RGBA8 and double buffering.
SDL_Window* createWindow(const DisplayMode& mode) {
  for (int depthBits : {32, 24, 16}) {
    setFramebufferAttributes(depthBits);
    SDL_Window* created = SDL_CreateWindow("", 0, 0, static_cast<int>(mode.width), static_cast<int>(mode.height),
                                           SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    if (created) return created;
  }
  std::fprintf(stderr, "kyla: no double-buffered RGBA8 window with a depth buffer could be created (%s)\n",
               SDL_GetError());
  return nullptr;
}

// The display mode of exactly the requested size on the window's screen, the first (fastest
// refresh) that SDL lists; false when there is none.
bool findMode(const DisplayMode& mode, int display, SDL_DisplayMode* found) {
  const int count = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < count; ++i) {
    if (SDL_GetDisplayMode(display, i, found) == 0 && found->w == static_cast<int>(mode.width) &&
        found->h == static_cast<int>(mode.height))
      return true;
  }
  return false;
}

// Switches the screen to the mode; when it cannot, the borderless window stays at the origin and
// one notice says so.
void switchToFullScreen(const DisplayMode& mode) {
  const int display = SDL_GetWindowDisplayIndex(window);
  SDL_DisplayMode wanted = {};
  const char* reason = nullptr;
  if (!findMode(mode, display, &wanted))
    reason = "the screen offers no such mode";
  else if (SDL_SetWindowDisplayMode(window, &wanted) != 0 || SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0)
    reason = SDL_GetError();
  if (!reason) return;
  std::fprintf(stderr, "kyla: the screen cannot be switched to %ux%u (%s); showing a borderless window at the "
               "screen origin instead\n", mode.width, mode.height, reason);
  SDL_SetWindowPosition(window, 0, 0);
  SDL_SetWindowSize(window, static_cast<int>(mode.width), static_cast<int>(mode.height));
}

const char* glVersionString() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version ? version : "an unknown version";
}

bool isCompatibility43OrLater() {
  GLint major = 0;
  GLint minor = 0;
  GLint profile = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  return (major > 4 || (major == 4 && minor >= 3)) && (profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT);
}

// Says what the driver gives when asked for nothing in particular, for the error line.
void reportOfferedContext() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
  SDL_GLContext offered = SDL_GL_CreateContext(window);
  std::fprintf(stderr, "kyla: no OpenGL 4.3 compatibility-profile context (the driver offered %s)\n",
               offered ? glVersionString() : "no context at all");
  if (offered) SDL_GL_DeleteContext(offered);
}

bool createContext() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context && isCompatibility43OrLater()) {
    SDL_GL_SetSwapInterval(1);
    return true;
  }
  if (context) SDL_GL_DeleteContext(context);
  reportOfferedContext();
  return false;
}

}  // namespace

bool platformOpenDisplay(const DisplayMode& mode) {
  installSignalHandlers();
  // Losing focus must not minimise the demo and give the screen its old mode back.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // Only drivers that show something, in SDL's own order. Wayland is left out where no compositor
  // can be reached, so that its client library does not add a line of its own to the error.
  const bool waylandReachable = std::getenv("WAYLAND_DISPLAY") || std::getenv("XDG_RUNTIME_DIR");
  SDL_SetHint(SDL_HINT_VIDEODRIVER, waylandReachable ? "x11,wayland,kmsdrm" : "x11,kmsdrm");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "kyla: no display could be opened (SDL: %s); run it on a desktop, or set DISPLAY\n",
                 SDL_GetError());
    return false;
  }
  // Without a display SDL falls back to drivers that draw nowhere; the run would look like a hang.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) {
    std::fprintf(stderr, "kyla: no display could be opened (only SDL's '%s' driver was available); run it on a "
                 "desktop, or set DISPLAY\n", driver);
    SDL_Quit();
    return false;
  }
  std::atexit(shutDown);
  SDL_AddEventWatch(recordKeyDown, nullptr);
  SDL_ShowCursor(SDL_DISABLE);

  window = createWindow(mode);
  if (!window) return false;
  switchToFullScreen(mode);
  return createContext();
}

void* platformGLProc(const char* name) { return SDL_GL_GetProcAddress(name); }

void platformPollEvent() {
  SDL_Event event;
  SDL_PollEvent(&event);
}

bool platformKeyDown(Key key) {
  SDL_PumpEvents();
  const int index = static_cast<int>(key);
  const bool pressed = pressedSinceQuery[index].exchange(false);
  if (key == Key::Escape && stopRequested) return true;
  return pressed || keyIsDownNow(key);
}

void platformMessageBox(const char* text) {
  // Owned by the window so that a window manager keeps it above the full-screen window.
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "", text, window) != 0)
    std::fprintf(stderr, "%s\n", text);
}

void platformSwapBuffers() { SDL_GL_SwapWindow(window); }

std::uint32_t platformMilliseconds() { return SDL_GetTicks(); }

void platformSleep(std::uint32_t milliseconds) { SDL_Delay(milliseconds); }

void platformExit(int status) {
  std::fflush(stdout);
  shutDown();
  std::exit(status);
}
