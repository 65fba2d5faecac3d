#include "capture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture_options.h"
#include "capture_schedule.h"
#include "contact_sheet.h"
#include "demo.h"
#include "frame_image.h"
#include "frame_writer.h"
#include "video_pipe.h"
#include "wav_file.h"

namespace {

constexpr int kExitBadInput = 2;
constexpr int kExitFailed = 1;
constexpr int kExitStopped = 130;
constexpr double kProgressLogInterval = 10.0;  // seconds between progress lines when not on a terminal

int complain(int status, const std::string& problem) {
  std::fprintf(stderr, "kyla-capture: %s\n", problem.c_str());
  return status;
}

// The soundtrack's length, or "" and the problem. WAV files are measured from their header;
// anything else is opened through the same player the demo uses.
std::string readSoundtrackLength(const std::string& file, std::int64_t& lengthUs) {
  const WavLength wav = readWavLength(file, lengthUs);
  if (wav == WavLength::Read) return "";
  if (wav == WavLength::Broken) return "cannot read soundtrack '" + file + "': a WAV file without a readable format or data chunk";
  SoundtrackPlayer player;
  const MediaResult result = player.open(file.c_str());
  const double seconds = player.lengthSeconds();
  player.release();
  if (result != kMediaOk)
    return "cannot open soundtrack '" + file + "': " + mediaDescribeResult(result) +
           " (put it in the working directory or name one with --soundtrack)";
  lengthUs = std::llround(seconds * static_cast<double>(kMicrosecondsPerSecond));
  return "";
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Frames done and total, frames per second and time left, on one line that a terminal rewrites,
// or every few seconds as a line of its own in a log.
struct Progress {
  std::int64_t total = 0;
  std::int64_t done = 0;
  Clock::time_point start = Clock::now();
  double lastLine = -kProgressLogInterval;
  bool terminal = isatty(STDERR_FILENO) != 0;

  void frameDone() {
    ++done;
    const double elapsed = secondsSince(start);
    const double fps = static_cast<double>(done) / elapsed;
    if (!terminal && done < total && elapsed - lastLine < kProgressLogInterval) return;
    lastLine = elapsed;
    const double left = static_cast<double>(total - done) / fps;
    std::fprintf(stderr, "%sframe %lld/%lld  %.2f fps  %d:%02d left%s", terminal ? "\r" : "",
                 static_cast<long long>(done), static_cast<long long>(total), fps, static_cast<int>(left) / 60,
                 static_cast<int>(left) % 60, terminal ? "   " : "\n");
    if (terminal && done == total) std::fputc('\n', stderr);
  }
};

// Ctrl+C and SIGTERM reach the loop as an Escape press, as they do in the demo.
bool stopRequested() { return platformKeyDown(Key::Escape); }

struct Capture {
  const CaptureOptions& options;
  Pipeline pipeline;
  Progress progress;
  std::int64_t warmupFramesDrawn = 0;

  // One frame of the demo's loop, with the position fixed at frame n of the capture.
  void drawCaptureFrame(std::int64_t frame) {
    platformPollEvent();
    const std::int32_t ms = captureFrameMs(frame, options.fps);
    drawFrame(pipeline, [ms] { return ms; });
  }

  // Draws the warm-up frames before frame n; false when stopped on the way.
  bool warmUp(std::int64_t frame) {
    for (std::int64_t before = options.warmupFrames(); before >= 1; --before) {
      if (stopRequested()) return false;
      drawCaptureFrame(warmupFrame(frame, before));
      presentFrame(pipeline);
      ++warmupFramesDrawn;
      progress.frameDone();
    }
    return true;
  }

  // Draws frame n and hands its picture to write(); false when stopped or write() failed.
  template <typename Write>
  bool capture(std::int64_t frame, Write&& write) {
    if (stopRequested()) return false;
    drawCaptureFrame(frame);
    const bool written = write(readWindowFrame());
    presentFrame(pipeline);
    progress.frameDone();
    return written;
  }

};

std::string framePath(const std::string& directory, std::int64_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "/%06lld.png", static_cast<long long>(frame));
  return directory + name;
}

std::string seconds(std::int64_t frames, int fps) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", static_cast<double>(frames) / fps);
  return text;
}

int stopped(std::int64_t written, std::int64_t total, const char* what) {
  std::fprintf(stderr, "\nkyla-capture: stopped by request after %lld of %lld frames; %s\n",
               static_cast<long long>(written), static_cast<long long>(total), what);
  return kExitStopped;
}

// Removes what a failed ffmpeg left at the path, which is not a whole video. Only a regular file:
// a device named as the output (/dev/full) stays.
void removeUnfinished(const std::string& path) {
  struct stat info = {};
  if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) std::remove(path.c_str());
}

// A path that ffmpeg takes as a file even when it holds a colon.
std::string ffmpegFile(const std::string& path) { return "file:" + path; }

int captureSpan(Capture& c, FrameSpan span) {
  const CaptureOptions& o = c.options;
  VideoPipe video;
  const bool mp4 = o.output == CaptureOutput::Mp4;
  if (mp4) {
    VideoPipeSettings settings;
    settings.ffmpeg = "ffmpeg";
    settings.output = ffmpegFile(o.path);
    // A part's segment is video alone: the join adds the audio of the whole span in one piece,
    // where segments with audio of their own would leave the encoder's priming gap at each seam.
    if (o.parts == 0) settings.soundtrack = ffmpegFile(o.soundtrack);
    settings.fps = o.fps;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.audioStart = seconds(span.first, o.fps);
    settings.audioDuration = seconds(span.count, o.fps);
    if (!startVideoPipe(video, settings)) return complain(kExitFailed, "cannot start ffmpeg");
  }
  FrameWriter writer([&](std::int64_t n, const Image& frame) {
    return mp4 ? writeVideoFrame(video, frame) : writePng(framePath(o.path, n), frame);
  });
  bool completed = c.warmUp(span.first);
  for (std::int64_t n = span.first; completed && n < span.first + span.count; ++n)
    completed = c.capture(n, [&](Image frame) { return writer.push(n, std::move(frame)); });
  writer.finish();
  const std::int64_t written = writer.written();
  const bool encoded = !mp4 || finishVideoPipe(video);
  if (writer.failed() || !encoded) {
    if (mp4) {
      removeUnfinished(o.path);
      return complain(kExitFailed, "ffmpeg could not encode '" + o.path + "' (its message is above); nothing kept");
    }
    return complain(kExitFailed, "cannot write '" + framePath(o.path, span.first + written) + "'");
  }
  if (!completed) return stopped(written, span.count, mp4 ? "the video holds those" : "those are written");
  return 0;
}

// The segments' video joined as it is, with the audio of the whole span they cover.
int joinSegments(const CaptureOptions& o) {
  const FrameSpan span = framesBetween(*o.fromUs, *o.toUs, o.fps);
  VideoJoinSettings settings;
  settings.ffmpeg = "ffmpeg";
  settings.output = ffmpegFile(o.path);
  settings.list = o.path + ".segments.txt";
  settings.soundtrack = ffmpegFile(o.soundtrack);
  settings.audioStart = seconds(span.first, o.fps);
  settings.audioDuration = seconds(span.count, o.fps);
  settings.segments = o.segments;
  if (!joinVideoSegments(settings)) {
    removeUnfinished(o.path);
    return complain(kExitFailed, "ffmpeg could not join the segments into '" + o.path + "' (its message is above)");
  }
  // A missing, extra or cut-short segment would still join; the span's frame count finds it.
  const std::int64_t frames = countVideoFrames("ffprobe", settings.output);
  if (frames < 0) return complain(kExitFailed, "cannot count the frames of '" + o.path + "' with ffprobe");
  if (frames != span.count) {
    removeUnfinished(o.path);
    return complain(kExitFailed, "the segments hold " + std::to_string(frames) + " frames where the span from " +
                                     formatSeconds(*o.fromUs) + " s to " + formatSeconds(*o.toUs) + " s at " +
                                     std::to_string(o.fps) + " fps has " + std::to_string(span.count) +
                                     " (a part missing, repeated or stopped early?); nothing written");
  }
  std::fprintf(stderr, "kyla-capture: joined %zu segments into %s\n", o.segments.size(), o.path.c_str());
  return 0;
}

int captureStill(Capture& c) {
  const std::int64_t frame = frameShownAt(c.options.stillUs, c.options.fps);
  bool written = false;
  if (!c.warmUp(frame) || !c.capture(frame, [&](const Image& image) { return written = writePng(c.options.path, image); })) {
    if (!written && !stopRequested()) return complain(kExitFailed, "cannot write '" + c.options.path + "'");
    return stopped(0, 1, "nothing written");
  }
  return 0;
}

int captureSheet(Capture& c) {
  std::vector<SheetCell> cells;
  for (std::int64_t us : c.options.sheetUs) {
    if (!cells.empty()) resetTargets(c.pipeline);  // each still starts as the demo does, so it matches --still
    const std::int64_t frame = frameShownAt(us, c.options.fps);
    if (!c.warmUp(frame) || !c.capture(frame, [&](const Image& image) {
          cells.push_back({downscale(image, kSheetScale), us});
          return true;
        }))
      return stopped(static_cast<std::int64_t>(cells.size()), static_cast<std::int64_t>(c.options.sheetUs.size()),
                     "no sheet written");
  }
  if (!writePng(c.options.path, composeContactSheet(cells)))
    return complain(kExitFailed, "cannot write '" + c.options.path + "'");
  return 0;
}

}  // namespace

int runCapture(int argc, char* argv[]) {
  CaptureOptions options;
  const std::string parseProblem = parseCaptureOptions(argc, argv, options);
  if (options.help) {
    std::fputs(captureUsage(), stdout);
    return 0;
  }
  if (!parseProblem.empty()) return complain(kExitBadInput, parseProblem + " (see kyla-capture --help)");
  const bool video = options.output == CaptureOutput::Mp4 || options.output == CaptureOutput::Join;
  const char* videoOption = options.output == CaptureOutput::Mp4 ? "--mp4" : "--join";
  if (video && !programStarts("ffmpeg"))
    return complain(kExitBadInput, std::string(videoOption) + " needs the ffmpeg program, which is not on PATH (install it: apt-get install ffmpeg)");
  if (options.output == CaptureOutput::Join && !programStarts("ffprobe"))
    return complain(kExitBadInput, "--join needs the ffprobe program, which is not on PATH (it comes with ffmpeg: apt-get install ffmpeg)");

  std::int64_t lengthUs = 0;
  std::string problem = readSoundtrackLength(options.soundtrack, lengthUs);
  if (problem.empty()) problem = resolveCaptureTimes(options, lengthUs);
  if (problem.empty()) problem = checkCaptureOutput(options);
  if (!problem.empty()) return complain(kExitBadInput, problem);
  if (options.output == CaptureOutput::Join) return joinSegments(options);

  if (!platformOpenDisplay(displayMode)) return kExitFailed;
  Capture c{options, {}, {}, 0};
  setUpPipeline(c.pipeline, shaderSources);

  const int warmup = options.warmupFrames();
  FrameSpan span;
  if (options.output == CaptureOutput::PngSequence || options.output == CaptureOutput::Mp4) {
    span = framesBetween(*options.fromUs, *options.toUs, options.fps);
    if (options.parts != 0) span = partOf(span, options.part, options.parts);
    c.progress.total = warmup + span.count;
  } else if (options.output == CaptureOutput::Still) {
    c.progress.total = warmup + 1;
  } else {
    c.progress.total = static_cast<std::int64_t>(options.sheetUs.size()) * (warmup + 1);
  }
  c.progress.start = Clock::now();
  int status = 0;
  switch (options.output) {
    case CaptureOutput::PngSequence:
    case CaptureOutput::Mp4: status = captureSpan(c, span); break;
    case CaptureOutput::Still: status = captureStill(c); break;
    case CaptureOutput::Sheet: status = captureSheet(c); break;
    case CaptureOutput::Join:
    case CaptureOutput::None: break;
  }
  const double elapsed = secondsSince(c.progress.start);
  std::fprintf(stderr, "kyla-capture: %lld frames (%lld warm-up) in %.1f s: %.3f frames per second on %s\n",
               static_cast<long long>(c.progress.done), static_cast<long long>(c.warmupFramesDrawn), elapsed,
               static_cast<double>(c.progress.done) / elapsed, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  if (status == 0 && options.output != CaptureOutput::PngSequence)
    std::fprintf(stderr, "kyla-capture: wrote %s\n", options.path.c_str());
  return status;
}
