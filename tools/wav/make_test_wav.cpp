// make-test-wav: writes a quiet 440 Hz tone of a given length, for tests.
#include <getopt.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "options.h"
#include "wav_file.h"

namespace {
constexpr char kProgram[] = "make-test-wav";

void usage() {
  std::fputs(
      "usage: make-test-wav SECONDS FILE [--rate HZ] [--channels N] [--float]\n"
      "Writes a quiet 440 Hz tone of SECONDS seconds (16-bit PCM, 44100 Hz stereo by default).\n"
      "example: make-test-wav 2 brimvale-tarnel.wav\n",
      stderr);
}
}  // namespace

int main(int argc, char** argv) {
  WavFormat format;
  const option options[] = {{"rate", required_argument, nullptr, 'r'},
                            {"channels", required_argument, nullptr, 'c'},
                            {"float", no_argument, nullptr, 'f'},
                            {"help", no_argument, nullptr, 'h'},
                            {}};
  for (int code; (code = getopt_long(argc, argv, ":h", options, nullptr)) != -1;) {
    bool read = true;
    switch (code) {
      case 'h': usage(); return 0;
      case 'f': format.sampleFormat = WavSampleFormat::Float32; break;
      case 'r': read = readNumberOption(kProgram, "--rate", optarg, "a rate in Hz above 0", format.sampleRate, 1); break;
      case 'c': read = readNumberOption(kProgram, "--channels", optarg, "a channel count above 0", format.channels, 1); break;
      default: reportBadOption(kProgram, code, argv); return kExitBadOption;
    }
    if (!read) return kExitBadOption;
  }
  if (argc - optind != 2) {
    usage();
    return kExitBadOption;
  }
  double seconds = 0;
  if (!readNumberOption(kProgram, "SECONDS", argv[optind], "a length in seconds of 0 or more", seconds, 0.0))
    return kExitBadOption;
  const std::string path = argv[optind + 1];
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
