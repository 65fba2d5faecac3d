#include "demo.h"

#include <cstdio>

bool openSoundtrack(SoundtrackPlayer& player, const wchar_t* fileName) {
  const MediaResult result = player.open(fileName);
  if (result == kMediaOk) return true;
  std::fprintf(stderr, "kyla: cannot open soundtrack '%ls': %s (put the soundtrack in the working directory)\n",
               fileName, mediaDescribeResult(result));
  return false;
}
