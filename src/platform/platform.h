// The platform layer: everything the demo needs from the operating system, as plain functions.
//
// One backend is linked into each program: platform_sdl.cpp (a desktop window through SDL2),
// platform_headless.cpp (an off-screen EGL surface, for capture and GL tests), platform_win32.cpp
// (Windows: Win32 and WGL), or the tests' fake.
// There are no virtual calls: the choice is made at link time.
//
// Limits: one window, one GL context, current on the main thread for the life of the process.
#pragma once

#include <cstdint>

// The display mode to ask for. Only width and height are requested; the other fields are zero.
#ifdef _WIN32
// On Windows the record is the system's own, DEVMODEA (<windows.h>), passed to the mode change as
// it stands.
struct _devicemodeA;
using DisplayMode = _devicemodeA;
#else
struct DisplayMode {
  std::uint32_t size;    // size of the record
  std::uint32_t fields;  // which of the fields below are set
  std::uint32_t width;
  std::uint32_t height;
};
#endif
inline constexpr std::uint32_t kDisplayModeWidthAndHeight = 0x00180000;

// Switches the screen to the mode (undone when the process ends), hides the cursor, opens a
// visible borderless surface of the mode's size at the screen origin and makes a GL 4.3
// compatibility context current on it. On failure it prints one line to standard error saying
// what was missing and returns false.
bool platformOpenDisplay(const DisplayMode& mode);

// Looks up a GL entry point by name. Called at each use; the result is not cached.
void* platformGLProc(const char* name);

// Takes at most one pending window event off the queue and drops it. Never blocks.
void platformPollEvent();

enum class Key { Escape, Control, S, Space, Left, Right, Home };
inline constexpr int kKeyCount = static_cast<int>(Key::Home) + 1;

// True when the key is down now or was pressed since the last query of that key. Never blocks.
// Escape also reads true once the process has been asked to stop (Ctrl+C, SIGTERM).
bool platformKeyDown(Key key);

// Shows text in a modal box with an empty caption and waits until it is dismissed.
void platformMessageBox(const char* text);

// Presents the frame drawn into framebuffer 0.
void platformSwapBuffers();

// A millisecond counter that wraps at 2^32, and a sleep in the same unit.
std::uint32_t platformMilliseconds();
void platformSleep(std::uint32_t milliseconds);

// Ends the process with the given status; the display mode is restored on the way out.
[[noreturn]] void platformExit(int status);
