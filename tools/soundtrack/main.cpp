// kyla-soundtrack: writes the demo's generated soundtrack as a 16-bit stereo WAV file.
#include <cstdio>
#include <cstring>

#include "soundtrack_synth.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fputs(
        "usage: kyla-soundtrack FILE\n"
        "Writes the demo's own 60 s soundtrack (44100 Hz, 16-bit stereo WAV), the same bytes on every run.\n"
        "The build runs it and puts the result beside the demo as brimvale-tarnel.wav.\n"
        "example: kyla-soundtrack brimvale-tarnel.wav\n",
        argc == 2 ? stdout : stderr);
    return argc == 2 ? 0 : 2;
  }
  if (!writeWav(argv[1], soundtrackFormat(), synthesizeSoundtrack())) {
    std::fprintf(stderr, "kyla-soundtrack: cannot write '%s'\n", argv[1]);
    return 1;
  }
  return 0;
}
