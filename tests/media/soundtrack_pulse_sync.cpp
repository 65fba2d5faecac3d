// The soundtrack clock on a real sound server. CTest runs this program under
// tests/system/with-pulse.sh, which starts a private PulseAudio server with a null sink for it and
// stops it afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/media_gstreamer.h"

namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kFrame = 1.0 / 60;

// Written into the server's private folder, which with-pulse.sh removes.
std::string writeTone(double seconds) {
  const std::string path = (fs::path(std::getenv("XDG_RUNTIME_DIR")) / "kyla-pulse-sync.wav").string();
  const std::string command = "ffmpeg -v error -nostdin -y -f lavfi -i 'sine=frequency=440:duration=" +
                              std::to_string(seconds) + "' -ac 2 -c:a pcm_s16le '" + path + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return path;
}

struct Reading {
  double position;  // what the frame loop reads
  double played;    // what the sink reports as played
};

// Plays a short soundtrack through the server on the media layer (the player's position is the
// graph's position in seconds) and polls both positions every 5 ms until the end.
class PulsePlayback : public ::testing::Test {
 protected:
  void playAndPoll(double seconds, auto&& check) {
    ASSERT_EQ(mediaRenderFile(graph, writeTone(seconds).c_str()), kMediaOk);
    ASSERT_EQ(mediaRun(graph), kMediaOk);
    const Clock::time_point start = Clock::now();
    std::int64_t length = 0;
    mediaGetLength(graph, &length);
    for (std::int64_t position = 0;
         position < length && Clock::now() - start < std::chrono::duration<double>(seconds + 5);) {
      std::this_thread::sleep_for(5ms);
      std::int64_t played = 0;
      ASSERT_EQ(mediaGetPlayedPosition(graph, &played), kMediaOk);
      mediaGetPosition(graph, &position);
      check(Reading{static_cast<double>(position) / kMediaUnitsPerSecond,
                    static_cast<double>(played) / kMediaUnitsPerSecond});
    }
  }
  void SetUp() override {
    ASSERT_TRUE(std::getenv("PULSE_SERVER") && std::getenv("XDG_RUNTIME_DIR"))
        << "run under tests/system/with-pulse.sh";
  }
  void TearDown() override { mediaDestroyGraph(graph); }
  MediaGraph* graph = mediaCreateGraph();
};

// The position the frames read stays within a frame of what the sink reports as played, and
// neither runs backwards, from the start to the end. The bound here is two frames, loose for a
// shared machine; startup-bench prints the figure over the whole soundtrack.
TEST_F(PulsePlayback, PositionFollowsWhatTheSinkPlayedAndNeverRunsBackwards) {
  Reading previous{0, 0};
  Reading worst{0, 0};
  int backwards = 0;
  playAndPoll(2.0, [&](Reading now) {
    backwards += now.position < previous.position || now.played < previous.played;
    if (std::abs(now.position - now.played) > std::abs(worst.position - worst.played)) worst = now;
    previous = now;
  });
  EXPECT_EQ(backwards, 0);
  EXPECT_NEAR(worst.position, worst.played, 2 * kFrame) << "the largest difference";
  EXPECT_GT(previous.position, 1.9) << "did not play to the end";
  std::printf("largest |position - played| over 2 s: %.2f ms\n", std::abs(worst.position - worst.played) * 1000);
}
}  // namespace
