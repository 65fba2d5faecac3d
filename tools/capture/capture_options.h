// The command line of kyla-capture and its checks. Times are whole microseconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "soundtrack_player.h"

enum class CaptureOutput { None, PngSequence, Still, Sheet, Mp4, Join };

inline constexpr int kDefaultFps = 60;
inline constexpr int kMaxFps = 1000;  // beyond this, frames would share their millisecond
inline constexpr int kDefaultWarmup = 8;
// A part starts from empty targets. The echo halves every frame; after five frames, what is left
// is only the 8-bit targets' rounding, which does not fade. 8 is past that and equal to a whole
// capture's warm-up, so that the first part's frames are the whole capture's to the byte.
inline constexpr int kDefaultPartWarmup = kDefaultWarmup;
inline constexpr int kDefaultSheetWarmup = 3;  // paid once per still of a sheet
// The moments of the demo's timeline, in seconds.
inline constexpr int kDefaultSheetSeconds[] = {0, 7, 14, 30, 40, 50, 55, 60};

struct CaptureOptions {
  CaptureOutput output = CaptureOutput::None;
  std::string path;  // the output: a directory for --png, else a file
  std::int64_t stillUs = 0;
  std::vector<std::int64_t> sheetUs;  // empty until resolved: the timeline's moments
  std::optional<std::int64_t> fromUs;
  std::optional<std::int64_t> toUs;  // unset: the soundtrack's end
  int fps = kDefaultFps;
  std::optional<int> warmup;
  int part = 0;  // --part I/N: the I-th of N slices of the span; 0 of 0 is the whole span
  int parts = 0;
  std::vector<std::string> segments;  // --join's inputs, in order
  std::string soundtrack = kSoundtrackFile;
  bool help = false;

  int warmupFrames() const {
    return warmup.value_or(output == CaptureOutput::Sheet ? kDefaultSheetWarmup : parts != 0 ? kDefaultPartWarmup : kDefaultWarmup);
  }
};

// Fills options from argv. Returns "" on success, else a one-line description of the problem.
std::string parseCaptureOptions(int argc, char* argv[], CaptureOptions& options);

// Checks the times against the soundtrack's length and fills in the defaults that depend on it
// (the end of the span, the sheet's moments within the soundtrack). Returns "" or the problem.
std::string resolveCaptureTimes(CaptureOptions& options, std::int64_t lengthUs);

// Checks that the output can be written: its directory exists and takes new files. A --png
// directory that does not exist yet is created. Returns "" or the problem.
std::string checkCaptureOutput(const CaptureOptions& options);

// "12.5" for 12500000: seconds with as many decimals as the value needs.
std::string formatSeconds(std::int64_t us);

// The --help text.
const char* captureUsage();
