// Windows backend over Win32, GDI and WGL.
//
// The display is switched with a temporary full-screen mode change (the system gives the old mode
// back when the process ends), the cursor is hidden, and a visible popup window of the mode's size
// is made at the screen origin from the predefined "static" class: the demo registers no class and
// has no window procedure of its own. A GL context is created on the window's device context with
// wglCreateContext and made current. Keys are read with GetAsyncKeyState; messages are taken off
// the queue and dropped.
//
// Failures to get the window, a pixel format or a GL 4.3 context are reported in a message box
// and on standard error, and platformOpenDisplay returns false. platformExit goes through exit(),
// so the exit handlers (the media layer's release of its filter graph among them) run before the
// process ends.
//
// Depends on user32, gdi32, opengl32 and winmm, all part of Windows.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/gl.h"

namespace {

// The pixel format asked for, and passed to both the choice and the setting of the format:
// double-buffered RGBA with 8 bits of alpha and a 32-bit depth buffer, main plane, nothing else.
constexpr PIXELFORMATDESCRIPTOR pixelFormat = [] {
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = 32;
  format.cAlphaBits = 8;
  format.cDepthBits = 32;
  return format;
}();
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
static_assert(sizeof(DEVMODEA) == 156);

// The window class by name: its atom (0xC018 on some systems) is not the same class everywhere.
constexpr char kWindowClass[] = "static";

HDC deviceContext = nullptr;
bool displayChanged = false;
std::atomic<bool> stopRequested = false;

// Ctrl+C, Ctrl+Break and closing the console end the run as Escape does.
BOOL WINAPI requestStop(DWORD) {
  stopRequested = true;
  return TRUE;
}

// Says what failed, on standard error and in a message box; error is the Windows error code, if
// there is one.
void reportFailure(const char* what, DWORD error) {
  char text[512];
  if (error != 0)
    std::snprintf(text, sizeof text, "%s (Windows error %lu)", what, error);
  else
    std::snprintf(text, sizeof text, "%s", what);
  std::fprintf(stderr, "kyla: %s\n", text);
  std::fflush(stderr);
  MessageBoxA(nullptr, text, "kyla", MB_OK | MB_ICONERROR);
}

bool isGL43OrLater() {
  GLint major = 0;
  GLint minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  return major > 4 || (major == 4 && minor >= 3);
}

int virtualKey(Key key) {
  switch (key) {
    case Key::Escape: return VK_ESCAPE;
    case Key::Control: return VK_CONTROL;
    case Key::S: return 'S';
    case Key::Space: return VK_SPACE;
    case Key::Left: return VK_LEFT;
    case Key::Right: return VK_RIGHT;
    case Key::Home: return VK_HOME;
  }
  return 0;
}

}  // namespace

bool platformOpenDisplay(const DisplayMode& mode) {
  SetConsoleCtrlHandler(requestStop, TRUE);
  // The record is only read; the interface takes a non-const pointer.
  ChangeDisplaySettingsA(const_cast<DEVMODEA*>(&mode), CDS_FULLSCREEN);
  displayChanged = true;
  ShowCursor(FALSE);

  HWND window = CreateWindowExA(0, kWindowClass, nullptr, WS_POPUP | WS_VISIBLE, 0, 0,
                                static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight), nullptr,
                                nullptr, nullptr, nullptr);
  if (!window) {
    reportFailure("the full-screen window could not be created", GetLastError());
    return false;
  }
  deviceContext = GetDC(window);
  const int format = ChoosePixelFormat(deviceContext, &pixelFormat);
  if (format == 0 || !SetPixelFormat(deviceContext, format, &pixelFormat)) {
    reportFailure("the display offers no double-buffered RGBA pixel format with a depth buffer for OpenGL",
                  GetLastError());
    return false;
  }
  HGLRC context = wglCreateContext(deviceContext);
  if (!context || !wglMakeCurrent(deviceContext, context)) {
    reportFailure("no OpenGL context could be created on the window; install the graphics driver",
                  GetLastError());
    return false;
  }
  if (!isGL43OrLater()) {
    char text[256];
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    std::snprintf(text, sizeof text, "the graphics driver offers OpenGL %s; the demo needs 4.3",
                  version ? version : "of an unknown version");
    reportFailure(text, 0);
    return false;
  }
  return true;
}

void* platformGLProc(const char* name) {
  return reinterpret_cast<void*>(wglGetProcAddress(name));
}

void platformPollEvent() {
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
}

bool platformKeyDown(Key key) {
  if (key == Key::Escape && stopRequested) return true;
  return GetAsyncKeyState(virtualKey(key)) != 0;
}

void platformMessageBox(const char* text) { MessageBoxA(nullptr, text, "", MB_OK); }

void platformSwapBuffers() { SwapBuffers(deviceContext); }

std::uint32_t platformMilliseconds() { return timeGetTime(); }

void platformSleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

void platformExit(int status) {
  std::fflush(stdout);
  if (displayChanged) ChangeDisplaySettingsA(nullptr, 0);
  std::exit(status);
}
