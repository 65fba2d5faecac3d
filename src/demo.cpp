#include "demo.h"

#include <cstdio>
#include <string>

bool openSoundtrack(SoundtrackPlayer& player, const char* fileName) {
  const MediaResult result = player.open(fileName);
  if (result == kMediaOk) return true;
  const std::string reason = std::string("kyla: cannot open soundtrack '") + fileName + "': " +
                             mediaDescribeResult(result) + " (put the soundtrack in the working directory)";
  std::fprintf(stderr, "%s\n", reason.c_str());
#ifdef _WIN32
  // kyla.exe is a GUI program: nobody sees its standard error.
  platformMessageBox(reason.c_str());
#endif
  return false;
}
