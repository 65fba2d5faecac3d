// Common soundtrack formats, written by ffmpeg at test time, through SoundtrackPlayer on the real
// GStreamer graph: each opens with the success line, reports its length, rises when played and
// ends at its end. Time bounds are loose: the machine is shared and may be slow.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "soundtrack_player.h"

namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kSuccessLine[] = "Song succesfully rendered!\n";
constexpr char kFailureLine[] = "mp3 rendering failed :(\n";
constexpr double kSeconds = 1.0;  // every generated file's length

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class SoundtrackFormatsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "kyla-formats-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory = pattern;
  }
  static void TearDownTestSuite() { fs::remove_all(directory); }

  // A quiet tone written by ffmpeg with the given output options; returns its path.
  static std::string generate(const std::string& name, const std::string& outputOptions, int rate = 44100,
                              int channels = 2, double seconds = kSeconds) {
    const fs::path path = directory / name;
    const std::string command = "ffmpeg -v error -nostdin -y -f lavfi -i 'sine=frequency=440:sample_rate=" +
                                std::to_string(rate) + ":duration=" + std::to_string(seconds) +
                                "' -af 'volume=0.1' -ac " + std::to_string(channels) + " " + outputOptions + " '" +
                                path.string() + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return path.string();
  }

  std::string open(const std::string& path) {
    ::testing::internal::CaptureStdout();
    player.open(path.c_str());
    return ::testing::internal::GetCapturedStdout();
  }

  // Plays from the start: the position rises from 0 and never falls; then from near the end it
  // plays to the end, where the position is exactly the length. Bounded by a wall-clock limit.
  void playsAndEnds() {
    player.play();
    const Clock::time_point start = Clock::now();
    double previous = 0;
    while (secondsSince(start) < 0.1) {
      std::this_thread::sleep_for(5ms);
      const double now = player.position();
      ASSERT_GE(now, previous);
      previous = now;
    }
    EXPECT_GT(previous, 0.0) << "the position did not rise";
    EXPECT_LE(previous, secondsSince(start) + 0.01);

    player.seek(player.lengthSeconds() - 0.1);
    const Clock::time_point nearEnd = Clock::now();
    while (player.isBeforeEnd() && secondsSince(nearEnd) < 5) {
      std::this_thread::sleep_for(5ms);
      const double now = player.position();
      ASSERT_LE(now, player.lengthSeconds());
    }
    EXPECT_FALSE(player.isBeforeEnd()) << "still playing 5 s after the last 0.1 s began";
    EXPECT_EQ(player.position(), player.lengthSeconds());
  }

  void TearDown() override { player.release(); }

  static inline fs::path directory;
  SoundtrackPlayer player;
};

// The decoder keeps an MP3 encoder's 1105 samples of priming and pads the last 1152-sample frame:
// that is the length heard, and the length the player must report.
double mp3Length(double seconds, int rate) {
  const double frames = std::ceil((seconds * rate + 1105) / 1152);
  return frames * 1152 / rate;
}

// Each format opens, reports its length to the millisecond, rises and ends. An MP3 without a
// length header has its length found by decoding it; with one, from the header.
TEST_F(SoundtrackFormatsTest, CommonFormatsOpenReportTheirLengthPlayAndEnd) {
  const struct {
    const char* name;
    const char* options;
    int rate;
    int channels;
    double length;
  } files[] = {
      {"u8-mono-8k.wav", "-c:a pcm_u8", 8000, 1, kSeconds},
      {"s16-stereo-44k.wav", "-c:a pcm_s16le", 44100, 2, kSeconds},
      {"s16-mono-22k.wav", "-c:a pcm_s16le", 22050, 1, kSeconds},
      {"s24-stereo-48k.wav", "-c:a pcm_s24le", 48000, 2, kSeconds},
      {"s24-5.1-96k.wav", "-c:a pcm_s24le", 96000, 6, kSeconds},
      {"f32-stereo-192k.wav", "-c:a pcm_f32le", 192000, 2, kSeconds},
      {"f32-5.1-48k.wav", "-c:a pcm_f32le", 48000, 6, kSeconds},
      {"vorbis.ogg", "-c:a libvorbis -q:a 3", 44100, 2, kSeconds},
      {"flac-24-96k.flac", "-c:a flac -sample_fmt s32", 96000, 2, kSeconds},
      {"flac-5.1.flac", "-c:a flac", 48000, 6, kSeconds},
      {"cbr-header.mp3", "-c:a libmp3lame -b:a 128k", 44100, 2, mp3Length(kSeconds, 44100)},
      {"vbr-header.mp3", "-c:a libmp3lame -q:a 4", 44100, 2, mp3Length(kSeconds, 44100)},
      {"cbr-bare.mp3", "-c:a libmp3lame -b:a 128k -write_xing 0", 44100, 2, mp3Length(kSeconds, 44100)},
      {"vbr-bare-48k.mp3", "-c:a libmp3lame -q:a 4 -write_xing 0", 48000, 1, mp3Length(kSeconds, 48000)},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const std::string path = generate(file.name, file.options, file.rate, file.channels);
    ASSERT_EQ(open(path), kSuccessLine);
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_NEAR(player.lengthSeconds(), file.length, 0.001);
    playsAndEnds();
    player.release();
  }
}

// A WAV whose header promises 10 s but whose data stops after 1 s plays what is there and ends,
// or is refused with the failure line; it never hangs or runs past its data.
TEST_F(SoundtrackFormatsTest, CutShortWavPlaysWhatIsThereAndEndsOrIsRefused) {
  const fs::path path = generate("cut.wav", "-c:a pcm_s16le", 44100, 2, 10);
  constexpr std::uintmax_t kNineSeconds = 9 * 44100 * 4;
  ASSERT_GT(fs::file_size(path), kNineSeconds);
  fs::resize_file(path, fs::file_size(path) - kNineSeconds);
  const std::string line = open(path.string());
  if (line == kFailureLine) {
    EXPECT_EQ(player.lengthSeconds(), 0.0);
    return;
  }
  ASSERT_EQ(line, kSuccessLine);
  EXPECT_LE(player.lengthSeconds(), 1.0 + 0.001) << "a length past the data";
  playsAndEnds();
}
}  // namespace
