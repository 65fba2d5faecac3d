// The display mode the demo asks for, in a file of its own so that programs which open the display
// without playing the soundtrack (benchmarks, GL tests) link it alone.
#include "demo.h"

#ifdef _WIN32
#include <windows.h>

// Only the size, the field mask and the two sizes are set: no bit depth, refresh rate or device.
__attribute__((section(".screens"))) constinit DEVMODEA displayMode = [] {
  DEVMODEA mode{};
  mode.dmSize = sizeof(DEVMODEA);
  mode.dmFields = kDisplayModeWidthAndHeight;
  mode.dmPelsWidth = kWidth;
  mode.dmPelsHeight = kHeight;
  return mode;
}();
#else
__attribute__((section(".screens"))) DisplayMode displayMode = {156, kDisplayModeWidthAndHeight, kWidth, kHeight};
#endif
