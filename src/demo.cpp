#include "demo.h"

#include <cstdio>

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

bool openSoundtrack(SoundtrackPlayer& player, const wchar_t* fileName) {
  const MediaResult result = player.open(fileName);
  if (result == kMediaOk) return true;
  std::fprintf(stderr, "kyla: cannot open soundtrack '%ls': %s (put the soundtrack in the working directory)\n",
               fileName, mediaDescribeResult(result));
  return false;
}
