// Extras of the headless backend (platform_headless.cpp): an off-screen 1920x1080 EGL pbuffer
// stands in for the window, keys are set by the program itself, and message boxes go to
// standard error instead of waiting for a click.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// Sets a key's state as platformKeyDown() will see it: down stays down until set up again.
void headlessSetKeyDown(Key key, bool down);
// Makes the millisecond clock read this value from now on (it no longer advances by itself).
void headlessSetMilliseconds(std::uint32_t ms);
// Number of platformSwapBuffers() calls so far.
std::uint64_t headlessPresentedFrames();
// The text of every message box shown so far, oldest first, separated by form feeds.
const std::string& headlessMessages();
