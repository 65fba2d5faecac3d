#include "capture_options.h"

#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "capture_schedule.h"
#include "options.h"

namespace {

// Seconds as whole microseconds; at most six decimals and no exponent, so the value is exact.
bool parseSeconds(const std::string& text, std::int64_t& us) {
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++at;
  std::int64_t whole = 0;
  int wholeDigits = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
    if (++wholeDigits > 9) return false;
    whole = whole * 10 + (text[at++] - '0');
  }
  std::int64_t fraction = 0;
  int fractionDigits = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
      if (++fractionDigits > 6) return false;
      fraction = fraction * 10 + (text[at++] - '0');
    }
  }
  if (at != text.size() || wholeDigits + fractionDigits == 0) return false;
  for (int i = fractionDigits; i < 6; ++i) fraction *= 10;
  us = whole * kMicrosecondsPerSecond + fraction;
  if (negative) us = -us;
  return true;
}

// A whole number of 0 or more, digits only: no sign.
bool parseCount(const std::string& text, int& value) {
  return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) && parseNumber(text.c_str(), value);
}

// "I/N" with 1 <= I <= N.
bool parsePart(const std::string& text, int& part, int& parts) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  return parseCount(text.substr(0, slash), part) && parseCount(text.substr(slash + 1), parts) && part >= 1 &&
         part <= parts;
}

std::string badTime(const char* option, const std::string& text) {
  return std::string(option) + ": '" + text + "' is not a time in seconds (such as 12 or 7.25)";
}

std::string parentDirectory(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates and removes a file in the directory: the only test that also holds for root and for
// read-only file systems.
bool directoryTakesFiles(const std::string& directory) {
  std::string probe = directory + "/.kyla-capture-XXXXXX";
  const int fd = mkstemp(probe.data());
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

std::string checkDirectory(const std::string& directory, const std::string& what) {
  struct stat info = {};
  if (stat(directory.c_str(), &info) != 0) return "cannot write " + what + ": directory '" + directory + "' does not exist";
  if (!S_ISDIR(info.st_mode)) return "cannot write " + what + ": '" + directory + "' is not a directory";
  if (!directoryTakesFiles(directory))
    return "cannot write " + what + ": directory '" + directory + "' is not writable (" + std::strerror(errno) + ")";
  return "";
}

}  // namespace

std::string formatSeconds(std::int64_t us) {
  std::string text = std::to_string(us / kMicrosecondsPerSecond);
  std::int64_t fraction = us % kMicrosecondsPerSecond;
  if (fraction == 0) return text;
  std::string digits = std::to_string(kMicrosecondsPerSecond + fraction).substr(1);
  while (digits.back() == '0') digits.pop_back();
  return text + "." + digits;
}

std::string parseCaptureOptions(int argc, char* argv[], CaptureOptions& options) {
  enum : int { kFrom = 256, kTo, kFps, kWarmup, kPng, kSheet, kMp4, kAt, kSoundtrack, kStill, kPart, kJoin };
  const option longOptions[] = {{"from", required_argument, nullptr, kFrom},
                                {"to", required_argument, nullptr, kTo},
                                {"fps", required_argument, nullptr, kFps},
                                {"warmup", required_argument, nullptr, kWarmup},
                                {"png", required_argument, nullptr, kPng},
                                {"sheet", required_argument, nullptr, kSheet},
                                {"mp4", required_argument, nullptr, kMp4},
                                {"at", required_argument, nullptr, kAt},
                                {"soundtrack", required_argument, nullptr, kSoundtrack},
                                {"still", required_argument, nullptr, kStill},
                                {"part", required_argument, nullptr, kPart},
                                {"join", required_argument, nullptr, kJoin},
                                {"help", no_argument, nullptr, 'h'},
                                {}};
  auto setOutput = [&](CaptureOutput output, const char* option) -> std::string {
    if (options.output != CaptureOutput::None) return std::string("choose one output; ") + option + " is a second one";
    options.output = output;
    return "";
  };
  // '-': arguments that are not options come back in order as code 1: --join's segments (--still
  // takes the one after its time itself). The long options' codes start above any character.
  // ':': a missing value is told apart from an unknown option.
  int index = 0;
  for (int code; (code = getopt_long(argc, argv, "-:h", longOptions, &index)) != -1;) {
    if (code == 'h') {
      options.help = true;
      return "";
    }
    if (code == 1) {
      options.segments.push_back(optarg);
      continue;
    }
    // getopt_long has stepped past the option it could not take, and sets no index for it.
    if (code == '?') return "unknown option '" + std::string(argv[optind - 1]) + "'";
    if (code == ':') return std::string(argv[optind - 1]) + " needs a value";
    const std::string option = std::string("--") + longOptions[index].name;
    if (!*optarg) return option + " needs a value";
    const std::string text = optarg;
    std::string problem;
    switch (code) {
      case kFrom:
      case kTo: {
        std::int64_t us = 0;
        if (!parseSeconds(text, us)) return badTime(option.c_str(), text);
        (code == kFrom ? options.fromUs : options.toUs) = us;
        break;
      }
      case kFps:
        if (!parseCount(text, options.fps) || options.fps < 1 || options.fps > kMaxFps)
          return "--fps: '" + text + "' is not a whole number of frames per second from 1 to " + std::to_string(kMaxFps);
        break;
      case kWarmup: {
        int frames = 0;
        if (!parseCount(text, frames)) return "--warmup: '" + text + "' is not a whole number of frames";
        options.warmup = frames;
        break;
      }
      case kPng:
      case kMp4:
      case kSheet:
      case kJoin:
        problem = setOutput(code == kPng    ? CaptureOutput::PngSequence
                            : code == kMp4  ? CaptureOutput::Mp4
                            : code == kJoin ? CaptureOutput::Join
                                            : CaptureOutput::Sheet,
                            option.c_str());
        options.path = text;
        break;
      case kStill:
        problem = setOutput(CaptureOutput::Still, "--still");
        if (problem.empty() && !parseSeconds(text, options.stillUs)) return badTime("--still", text);
        if (optind >= argc || !*argv[optind]) return "--still needs a time and a file, such as --still 14 still.png";
        options.path = argv[optind++];
        break;
      case kAt: {
        options.sheetUs.clear();
        std::size_t start = 0;
        while (start <= text.size()) {
          const std::size_t comma = std::min(text.find(',', start), text.size());
          const std::string item = text.substr(start, comma - start);
          std::int64_t us = 0;
          if (!parseSeconds(item, us)) return badTime("--at", item);
          options.sheetUs.push_back(us);
          start = comma + 1;
        }
        break;
      }
      case kPart:
        if (!parsePart(text, options.part, options.parts))
          return "--part: '" + text + "' is not I/N, the I-th of N parts, 1 <= I <= N (such as 2/8)";
        break;
      case kSoundtrack: options.soundtrack = text; break;
      default: break;
    }
    if (!problem.empty()) return problem;
  }
  // Whatever follows a "--" is left over.
  if (optind < argc) return "unexpected argument '" + std::string(argv[optind]) + "'";
  if (options.output == CaptureOutput::None) return "no output chosen: give one of --png, --still, --sheet or --mp4";
  const bool join = options.output == CaptureOutput::Join;
  if (!join && !options.segments.empty()) return "unexpected argument '" + options.segments[0] + "' (only --join takes a list of files)";
  if (join && options.segments.empty()) return "--join needs the segments to join after the output, such as --join all.mp4 part-1.mp4 part-2.mp4";
  const bool span = options.output == CaptureOutput::PngSequence || options.output == CaptureOutput::Mp4;
  if (!span && !join && (options.fromUs || options.toUs)) return "--from and --to go with --png, --mp4 or --join; a still or a sheet takes its own times";
  if (!span && options.parts != 0) return "--part goes with --png or --mp4";
  if (options.output != CaptureOutput::Sheet && !options.sheetUs.empty()) return "--at goes with --sheet";
  return "";
}

std::string resolveCaptureTimes(CaptureOptions& options, std::int64_t lengthUs) {
  const std::string length = " (the soundtrack is " + formatSeconds(lengthUs) + " s long)";
  auto outOfRange = [&](const char* option, std::int64_t us) -> std::string {
    if (us < 0) return std::string(option) + " " + formatSeconds(-us).insert(0, "-") + ": before the soundtrack's start";
    if (us > lengthUs) return std::string(option) + " " + formatSeconds(us) + ": past the soundtrack's end" + length;
    return "";
  };
  std::string problem;
  switch (options.output) {
    case CaptureOutput::PngSequence:
    case CaptureOutput::Mp4:
    case CaptureOutput::Join: {
      const std::int64_t from = options.fromUs.value_or(0);
      const std::int64_t to = options.toUs.value_or(lengthUs);
      if (!(problem = outOfRange("--from", from)).empty() || !(problem = outOfRange("--to", to)).empty()) return problem;
      if (from >= to) return "--from " + formatSeconds(from) + " is not before --to " + formatSeconds(to);
      options.fromUs = from;
      options.toUs = to;
      const std::int64_t frames = framesBetween(from, to, options.fps).count;
      if (frames == 0)
        return "no frame falls between " + formatSeconds(from) + " s and " + formatSeconds(to) + " s at " +
               std::to_string(options.fps) + " fps";
      if (options.parts > frames)
        return "--part " + std::to_string(options.part) + "/" + std::to_string(options.parts) + ": the span has only " +
               std::to_string(frames) + " frames, fewer than the parts";
      return "";
    }
    case CaptureOutput::Still:
      return outOfRange("--still", options.stillUs);
    case CaptureOutput::Sheet:
      if (options.sheetUs.empty()) {
        // The timeline's moments that the soundtrack reaches; a shorter soundtrack gets fewer.
        for (int seconds : kDefaultSheetSeconds)
          if (seconds * kMicrosecondsPerSecond <= lengthUs) options.sheetUs.push_back(seconds * kMicrosecondsPerSecond);
        return "";
      }
      for (std::int64_t us : options.sheetUs)
        if (!(problem = outOfRange("--at", us)).empty()) return problem;
      return "";
    case CaptureOutput::None:
      break;
  }
  return "";
}

std::string checkCaptureOutput(const CaptureOptions& options) {
  if (options.output == CaptureOutput::PngSequence) {
    struct stat info = {};
    if (stat(options.path.c_str(), &info) != 0) {
      if (mkdir(options.path.c_str(), 0777) != 0)
        return "cannot create frame directory '" + options.path + "': " + std::strerror(errno);
    } else if (!S_ISDIR(info.st_mode)) {
      return "--png " + options.path + ": not a directory";
    }
    return checkDirectory(options.path, "frames");
  }
  for (const std::string& segment : options.segments)
    if (access(segment.c_str(), R_OK) != 0) return "cannot read segment '" + segment + "': " + std::strerror(errno);
  struct stat info = {};
  if (stat(options.path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return "cannot write '" + options.path + "': it is a directory (name a file)";
  return checkDirectory(parentDirectory(options.path), "'" + options.path + "'");
}

const char* captureUsage() {
  return R"(usage: kyla-capture OUTPUT [options]
Renders the demo's frames without a display, through the demo's own pipeline and shaders. Frame n
at F frames per second sees the frame time trunc(n * 1000 / F) ms from the soundtrack's start, so
a capture is the same to the bit every time on the same driver.

One output:
  --png DIR             every frame of the span as DIR/NNNNNN.png, named by frame number
                        (the directory is created if its parent exists)
  --still S FILE        the frame on screen at S seconds, as a PNG
  --sheet FILE          a contact sheet (PNG): a grid of quarter-size frames labelled with their
                        times, by default at the timeline's moments 0,7,14,30,40,50,55,60 s
  --mp4 FILE            H.264 video of the span with the soundtrack's audio cut to match,
                        encoded by the ffmpeg program (which must be on PATH)
  --join FILE SEGMENT...
                        one MP4 of the --mp4 segments of a capture in parts, in the order
                        given, with the soundtrack's audio for the whole span; takes the
                        span's --from, --to and --fps. The video is copied, not encoded again.

Options:
  --from S              start of the span for --png and --mp4, in seconds (default 0)
  --to S                end of the span, not included: frames n with from <= n/F < to
                        (default: the soundtrack's end)
  --at S,S,...          the times of the sheet's frames, in seconds
  --fps F               frames per second, 1 to 1000 (default 60)
  --part I/N            only the I-th of N contiguous slices of the span's frames, for
                        capturing on several machines at once: --png writes the files of the
                        whole capture that fall in it, --mp4 a segment without audio for --join.
                        Frames equal the whole capture's, except that from the second part on
                        the echo's 8-bit rounding may leave a few levels of difference
  --warmup N            frames rendered before the first written one (and before each still of
                        a sheet) so that the echo of earlier frames has built up; they are not
                        written (default 8, also for a part, and 3 for a sheet). 0 starts
                        from fresh targets, exactly like the demo's first frames.
  --soundtrack FILE     the soundtrack, for its length and the video's audio
                        (default: brimvale-tarnel.wav in the working directory, as the demo)
  --help                this text

Progress goes to standard error; Ctrl+C stops after the current frame and keeps what is written.
At the end it prints the frames per second it rendered at.

Examples:
  kyla-capture --still 30 still.png
  kyla-capture --png frames --from 40 --to 41 --fps 30
  kyla-capture --sheet sheet.png --at 7,14,55
  kyla-capture --mp4 kyla.mp4 --from 10 --to 20 --fps 30
  kyla-capture --mp4 part-1.mp4 --from 10 --to 20 --fps 30 --part 1/2   (and 2/2, then:)
  kyla-capture --join kyla.mp4 part-1.mp4 part-2.mp4 --from 10 --to 20 --fps 30
)";
}
