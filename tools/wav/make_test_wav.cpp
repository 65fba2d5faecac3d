// make-test-wav: writes a quiet 440 Hz tone of a given length, for tests.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wav_file.h"

namespace {
void usage() {
  std::fputs(
      "usage: make-test-wav SECONDS FILE [--rate HZ] [--channels N] [--float]\n"
      "Writes a quiet 440 Hz tone of SECONDS seconds (16-bit PCM, 44100 Hz stereo by default).\n"
      "example: make-test-wav 2 brimvale-tarnel.wav\n",
      stderr);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "--help") == 0) {
    usage();
    return argc >= 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  const double seconds = std::atof(argv[1]);
  const std::string path = argv[2];
  WavFormat format;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--float") == 0) {
      format.sampleFormat = WavSampleFormat::Float32;
    } else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
      format.sampleRate = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--channels") == 0 && i + 1 < argc) {
      format.channels = std::atoi(argv[++i]);
    } else {
      usage();
      return 2;
    }
  }
  if (seconds < 0 || format.sampleRate <= 0 || format.channels <= 0) {
    usage();
    return 2;
  }
  const auto frames = static_cast<std::size_t>(std::llround(seconds * format.sampleRate));
  std::vector<float> samples(frames * static_cast<std::size_t>(format.channels));
  for (std::size_t frame = 0; frame < frames; ++frame)
    for (int channel = 0; channel < format.channels; ++channel)
      samples[frame * static_cast<std::size_t>(format.channels) + static_cast<std::size_t>(channel)] =
          0.1f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * static_cast<double>(frame) / format.sampleRate));
  if (!writeWav(path, format, samples)) {
    std::fprintf(stderr, "make-test-wav: cannot write '%s'\n", path.c_str());
    return 1;
  }
  return 0;
}
