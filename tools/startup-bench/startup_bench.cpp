// startup-bench: how long the demo takes to show its first frame, and how the soundtrack clock
// that drives every frame behaves. A benchmark: it prints figures and asserts nothing.
#include <getopt.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "bench_info.h"
#include "demo.h"
#include "options.h"
#include "platform/media_gstreamer.h"

namespace {

constexpr const char* kUsage = R"(usage: startup-bench [--seconds S] [--poll-ms N] [--soundtrack FILE]

Starts the demo as kyla does (display, pipeline with the embedded shaders, soundtrack, first frame)
and prints the time each step took from the start of main(), up to the first presented frame.
Then it rewinds the soundtrack and, while it plays, polls its position for S seconds (default 4) every N
milliseconds (default 1; 0 polls without pause) and prints the steps between successive polls,
the position's drift against the monotonic clock and, where the audio sink keeps a clock of its
own (a sound server), how far the position is from what the sink reports as played. Prints the
machine and GL driver too.

Needs a display (run it under tests/system/with-xvfb.sh on a machine without one). Plays the
demo's soundtrack, brimvale-tarnel.wav in the working directory, unless --soundtrack names
another file; the file should last S seconds or more. From the build folder:
  ../tests/system/with-xvfb.sh tools/startup-bench/startup-bench
and through a private PulseAudio server, over the whole soundtrack:
  ../tests/system/with-pulse.sh ../tests/system/with-xvfb.sh tools/startup-bench/startup-bench --seconds 60

  --seconds S        how long to poll the position (default 4)
  --poll-ms N        pause between polls in milliseconds (default 1)
  --soundtrack FILE  a sound file to play instead of brimvale-tarnel.wav
  --help             this text

Set MESA_SHADER_CACHE_DISABLE=true for repeatable compile times.
)";

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Time from the process's start to now, from the kernel's record (10 ms resolution); -1 if unknown.
double millisecondsSinceProcessStart() {
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
  const auto afterName = stat.rfind(')');
  if (afterName == std::string::npos) return -1;
  std::istringstream fields(stat.substr(afterName + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) {
      timespec boot = {};
      clock_gettime(CLOCK_BOOTTIME, &boot);
      const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
      const double startSeconds = std::strtod(field.c_str(), nullptr) / ticksPerSecond;
      const double nowSeconds = static_cast<double>(boot.tv_sec) + static_cast<double>(boot.tv_nsec) * 1e-9;
      return (nowSeconds - startSeconds) * 1000.0;
    }
  }
  return -1;
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

struct Poll {
  double wallMs;      // monotonic clock, since the rewind
  double positionMs;  // soundtrack position
  double playedMs;    // what the audio sink reports as played; NaN without a sink clock
};

// The position against what the audio sink reports as played, from the rewind to the last poll.
void reportSync(const std::vector<Poll>& polls) {
  if (polls.empty() || std::isnan(polls.front().playedMs)) {
    std::printf("  the audio sink keeps no clock of its own (no audio output): no sync figure\n");
    return;
  }
  std::vector<double> lags;
  int backwards = 0;
  for (std::size_t i = 0; i < polls.size(); ++i) {
    lags.push_back(polls[i].positionMs - polls[i].playedMs);
    if (i > 0) backwards += polls[i].positionMs < polls[i - 1].positionMs || polls[i].playedMs < polls[i - 1].playedMs;
  }
  const auto within = std::count_if(lags.begin(), lags.end(), [](double lag) { return std::fabs(lag) <= 1000.0 / 60; });
  std::printf("  position - played by the sink (ms): min %+.2f  median %+.2f  max %+.2f\n", percentile(lags, 0),
              percentile(lags, 0.5), percentile(lags, 1));
  std::printf("  polls within a frame (16.7 ms) of the sink: %zd of %zu; polls that ran backwards: %d\n", within,
              polls.size(), backwards);
}

void reportClock(const std::vector<Poll>& polls, double seconds, int pollMs) {
  std::vector<double> steps;
  std::vector<double> movingSteps;
  for (std::size_t i = 1; i < polls.size(); ++i) {
    const double step = polls[i].positionMs - polls[i - 1].positionMs;
    steps.push_back(step);
    if (step != 0) movingSteps.push_back(step);
  }
  std::printf("soundtrack clock over %.1f s, polled every %d ms: %zu polls, %zu of them moved\n", seconds, pollMs,
              polls.size(), movingSteps.size());
  std::printf("  step between polls (ms):       min %.3f  median %.3f  max %.3f\n", percentile(steps, 0),
              percentile(steps, 0.5), percentile(steps, 1));
  std::printf("  step when it moved (ms):       min %.3f  median %.3f  max %.3f\n", percentile(movingSteps, 0),
              percentile(movingSteps, 0.5), percentile(movingSteps, 1));

  // Drift is measured from the first poll that saw the clock move, past the sink's start-up.
  const auto first = std::find_if(polls.begin(), polls.end(), [](const Poll& p) { return p.positionMs > 0; });
  if (first == polls.end() || first == polls.end() - 1) {
    std::printf("  the position never moved\n");
    return;
  }
  std::printf("  first movement after rewind:   %.1f ms\n", first->wallMs);
  const Poll& last = polls.back();
  const double wallSpan = last.wallMs - first->wallMs;
  const double drift = (last.positionMs - first->positionMs) - wallSpan;
  std::vector<double> offsets;
  for (auto p = first; p != polls.end(); ++p)
    offsets.push_back((p->positionMs - first->positionMs) - (p->wallMs - first->wallMs));
  std::printf("  drift against monotonic:       %+.2f ms over %.2f s (%+.0f ppm)\n", drift, wallSpan / 1000,
              drift / wallSpan * 1e6);
  std::printf("  position - monotonic (ms):     min %+.2f  median %+.2f  max %+.2f\n", percentile(offsets, 0),
              percentile(offsets, 0.5), percentile(offsets, 1));
  reportSync(polls);
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point start = Clock::now();
  const double processStartToMain = millisecondsSinceProcessStart();
  double seconds = 4;
  int pollMs = 1;
  std::string soundtrack = kSoundtrackFile;
  const option options[] = {{"seconds", required_argument, nullptr, 's'},
                            {"poll-ms", required_argument, nullptr, 'p'},
                            {"soundtrack", required_argument, nullptr, 'f'},
                            {"help", no_argument, nullptr, 'h'},
                            {}};
  for (int code; (code = getopt_long(argc, argv, ":h", options, nullptr)) != -1;) {
    bool read = true;
    switch (code) {
      case 'h': std::fputs(kUsage, stdout); return 0;
      case 's':
        read = readNumberOption("startup-bench", "--seconds", optarg, "a number of seconds above 0", seconds,
                                std::numeric_limits<double>::min());
        break;
      case 'p': read = readNumberOption("startup-bench", "--poll-ms", optarg, "a whole number of 0 or more", pollMs, 0); break;
      case 'f': soundtrack = optarg; break;
      default: reportBadOption("startup-bench", code, argv); return kExitBadOption;
    }
    if (!read) return kExitBadOption;
  }
  if (!noArgumentsLeft("startup-bench", argc, argv)) return kExitBadOption;

  // The demo's own start-up, timed after each step; the pipeline's work is finished first.
  double displayOpen = 0;
  double pipelineReady = 0;
  double soundtrackOpen = 0;
  static Pipeline pipeline;
  static SoundtrackPlayer player;
  const bool started = startDemo(pipeline, player, soundtrack.c_str(), [&](StartStep step) {
    switch (step) {
      case StartStep::DisplayOpen: displayOpen = millisecondsSince(start); break;
      case StartStep::PipelineReady:
        glFinish();
        pipelineReady = millisecondsSince(start);
        break;
      case StartStep::SoundtrackOpen: soundtrackOpen = millisecondsSince(start); break;
    }
  });
  if (!started) platformExit(1);
  drawAndPresentFrame(pipeline, player);
  glFinish();
  const double firstFrame = millisecondsSince(start);

  std::printf("startup-bench: the demo's start-up and its soundtrack clock\n");
  std::printf("machine:    %s\n", benchMachine().c_str());
  std::printf("GL:         %s\n", benchGLDriver().c_str());
  std::printf("soundtrack: %s, %.3f s\n", soundtrack.c_str(), player.lengthSeconds());
  std::printf("start-up, ms since main() (process start to main(): %.0f ms, 10 ms resolution):\n",
              processStartToMain);
  std::printf("  display and GL context        %8.1f\n", displayOpen);
  std::printf("  targets and programs built    %8.1f  (+%.1f)\n", pipelineReady, pipelineReady - displayOpen);
  std::printf("  soundtrack opened             %8.1f  (+%.1f)\n", soundtrackOpen, soundtrackOpen - pipelineReady);
  std::printf("  first frame presented         %8.1f  (+%.1f)\n", firstFrame, firstFrame - soundtrackOpen);

  // The first frame may outlast a short soundtrack on a software driver: measure from the start.
  if (seconds > player.lengthSeconds() - 0.5) {
    seconds = std::max(0.5, player.lengthSeconds() - 0.5);
    std::printf("(the soundtrack is short: polling for %.1f s only)\n", seconds);
  }
  player.seek(0);
  const Clock::time_point restarted = Clock::now();
  std::vector<Poll> polls;
  while (millisecondsSince(restarted) < seconds * 1000) {
    const double positionMs = player.position() * 1000;
    std::int64_t played = 0;
    const double playedMs = mediaGetPlayedPosition(player.mediaGraph(), &played) == kMediaOk
                                ? static_cast<double>(played) * 1000 / kMediaUnitsPerSecond
                                : std::nan("");
    polls.push_back({millisecondsSince(restarted), positionMs, playedMs});
    if (pollMs > 0) platformSleep(static_cast<std::uint32_t>(pollMs));
  }
  reportClock(polls, seconds, pollMs);
  platformExit(0);
}
