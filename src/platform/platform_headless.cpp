// Headless backend: EGL on Mesa without any display server. The "window" is a 1920x1080 RGBA8
// pbuffer with a depth buffer, so framebuffer 0 exists and can be read back after each frame.
// Used by the capture tool and the GL tests. Requires EGL_MESA_platform_surfaceless or a
// default EGL display, and a GL 4.3 compatibility context.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/gl.h"
#include "platform/headless.h"

namespace {

bool keysDown[kKeyCount] = {};
volatile std::sig_atomic_t stopRequested = 0;
std::uint64_t presentedFrames = 0;
std::string messages;
bool clockFixed = false;
std::uint32_t fixedMilliseconds = 0;
EGLDisplay display = EGL_NO_DISPLAY;
EGLSurface surface = EGL_NO_SURFACE;

void requestStop(int) { stopRequested = 1; }

EGLDisplay openEglDisplay() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (getPlatformDisplay && extensions && std::strstr(extensions, "EGL_MESA_platform_surfaceless")) {
    EGLDisplay surfaceless = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (surfaceless != EGL_NO_DISPLAY && eglInitialize(surfaceless, nullptr, nullptr)) return surfaceless;
  }
  EGLDisplay fallback = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  if (fallback != EGL_NO_DISPLAY && eglInitialize(fallback, nullptr, nullptr)) return fallback;
  return EGL_NO_DISPLAY;
}

bool fail(const char* what) {
  std::fprintf(stderr, "kyla: %s\n", what);
  return false;
}

}  // namespace

bool platformOpenDisplay(const DisplayMode& mode) {
  std::signal(SIGINT, requestStop);
  std::signal(SIGTERM, requestStop);
  display = openEglDisplay();
  if (display == EGL_NO_DISPLAY) return fail("no EGL display could be opened (is Mesa's EGL installed?)");
  if (!eglBindAPI(EGL_OPENGL_API)) return fail("EGL offers no desktop OpenGL");

  const EGLint depthSizes[] = {32, 24, 16};
  EGLConfig config = nullptr;
  EGLint found = 0;
  for (EGLint depth : depthSizes) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                 EGL_DEPTH_SIZE, depth, EGL_NONE};
    if (eglChooseConfig(display, attributes, &config, 1, &found) && found == 1) break;
  }
  if (found != 1) return fail("EGL offers no RGBA8 pbuffer configuration with a depth buffer");

  const EGLint surfaceAttributes[] = {EGL_WIDTH, static_cast<EGLint>(mode.width), EGL_HEIGHT,
                                      static_cast<EGLint>(mode.height), EGL_NONE};
  surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (surface == EGL_NO_SURFACE) return fail("EGL could not create a pbuffer surface");

  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    const EGLint anyAttributes[] = {EGL_NONE};
    EGLContext offered = eglCreateContext(display, config, EGL_NO_CONTEXT, anyAttributes);
    const char* version = "nothing";
    if (offered != EGL_NO_CONTEXT && eglMakeCurrent(display, surface, surface, offered))
      version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    std::fprintf(stderr, "kyla: no OpenGL 4.3 compatibility context (the driver offered %s)\n", version);
    return false;
  }
  if (!eglMakeCurrent(display, surface, surface, context)) return fail("EGL could not make the context current");
  return true;
}

void* platformGLProc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

void platformPollEvent() {}

bool platformKeyDown(Key key) {
  if (key == Key::Escape && stopRequested) return true;
  return keysDown[static_cast<int>(key)];
}

void platformMessageBox(const char* text) {
  if (!messages.empty()) messages += '\f';
  messages += text;
  std::fprintf(stderr, "%s\n", text);
}

void platformSwapBuffers() {
  eglSwapBuffers(display, surface);
  ++presentedFrames;
}

std::uint32_t platformMilliseconds() {
  if (clockFixed) return fixedMilliseconds;
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void platformSleep(std::uint32_t milliseconds) {
  if (!clockFixed) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void platformExit(int status) {
  std::fflush(stdout);
  std::exit(status);
}

void headlessSetKeyDown(Key key, bool down) { keysDown[static_cast<int>(key)] = down; }

void headlessSetMilliseconds(std::uint32_t ms) {
  clockFixed = true;
  fixedMilliseconds = ms;
}

std::uint64_t headlessPresentedFrames() { return presentedFrames; }

const std::string& headlessMessages() { return messages; }
