// SoundtrackPlayer on the real GStreamer graph, with WAV files the tests write. Bounds on times
// are loose sanity checks: the machine is shared and may be slow.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "soundtrack_player.h"
#include "wav_file.h"

namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kSuccessLine[] = "Song succesfully rendered!\n";
constexpr char kFailureLine[] = "mp3 rendering failed :(\n";
constexpr uid_t kNobody = 65534;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class SoundtrackPlaybackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "kyla-media-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory = pattern;
  }
  static void TearDownTestSuite() { fs::remove_all(directory); }

  // A quiet tone of exactly `frames` frames; returns its wide path.
  static std::string writeTone(const std::string& name, const WavFormat& format, int frames) {
    std::vector<float> samples(static_cast<size_t>(frames) * static_cast<size_t>(format.channels));
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = 0.05f * std::sin(static_cast<float>(i / format.channels) * 0.0628f);
    const fs::path path = directory / name;
    EXPECT_TRUE(writeWav(path.string(), format, samples));
    return path.string();
  }

  static std::string writeStereoTone(const std::string& name, double seconds) {
    return writeTone(name, WavFormat{44100, 2, WavSampleFormat::Pcm16}, static_cast<int>(seconds * 44100));
  }

  // Opens the file and returns the line the player printed.
  std::string open(const std::string& path, MediaResult expected = kMediaOk) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(player.open(path.c_str()), expected);
    return ::testing::internal::GetCapturedStdout();
  }

  void TearDown() override { player.release(); }

  static inline fs::path directory;
  SoundtrackPlayer player;
};

TEST_F(SoundtrackPlaybackTest, OpenGivesPositionZeroAndTheFileLengthToTheMillisecond) {
  const struct {
    const char* name;
    WavFormat format;
    int frames;
  } files[] = {
      {"stereo16.wav", {44100, 2, WavSampleFormat::Pcm16}, 55566},   // 1.26
      {"monofloat.wav", {48000, 1, WavSampleFormat::Float32}, 36012}, // 0.75025 s
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const std::string path = writeTone(file.name, file.format, file.frames);
    EXPECT_EQ(open(path), kSuccessLine);
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_NEAR(player.lengthSeconds(), static_cast<double>(file.frames) / file.format.sampleRate, 0.0005);
    EXPECT_TRUE(player.isBeforeEnd());
    player.release();
    // The header alone gives the same length, to the microsecond, without a graph.
    std::int64_t headerLength = 0;
    ASSERT_EQ(readWavLength(fs::path(path).string(), headerLength), WavLength::Read);
    EXPECT_EQ(headerLength, std::int64_t{file.frames} * 1000000 / file.format.sampleRate);
  }
}

TEST_F(SoundtrackPlaybackTest, PositionRisesWithWallTimeWhileRunningAndHoldsWhileStopped) {
  open(writeStereoTone("rise.wav", 3.0));
  // Stays at 0 until play.
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(player.position(), 0.0);

  const Clock::time_point start = Clock::now();
  player.play();
  double previous = 0;
  int polls = 0;
  int rises = 0;
  while (secondsSince(start) < 0.4) {
    std::this_thread::sleep_for(5ms);
    const double now = player.position();
    ASSERT_GE(now, previous);
    ++polls;
    rises += now > previous;
    previous = now;
  }
  const double elapsed = secondsSince(start);
  EXPECT_GT(previous, 0.0);
  EXPECT_LE(previous, elapsed + 0.01);
  // It moves between polls 5 ms apart, rather than once per audio buffer.
  EXPECT_GT(rises, polls * 3 / 4);

  player.toggle();
  const double stopped = player.position();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(player.position(), stopped);

  player.toggle();
  std::this_thread::sleep_for(100ms);
  const double resumed = player.position();
  EXPECT_GT(resumed, stopped);
  EXPECT_LT(resumed, stopped + 0.1 + secondsSince(start) - elapsed);
}

TEST_F(SoundtrackPlaybackTest, SeekWhileStoppedMovesThereAndStaysStopped) {
  open(writeStereoTone("seek-stopped.wav", 2.0));
  player.seek(0.8);
  EXPECT_NEAR(player.position(), 0.8, 0.001);
  std::this_thread::sleep_for(100ms);
  EXPECT_NEAR(player.position(), 0.8, 0.001);

  player.seek(-3.0);
  EXPECT_EQ(player.position(), 0.0);
  player.seek(99.0);
  EXPECT_EQ(player.position(), player.lengthSeconds());
  EXPECT_FALSE(player.isBeforeEnd());
}

TEST_F(SoundtrackPlaybackTest, SeekWhileRunningMovesThereAndKeepsRunning) {
  open(writeStereoTone("seek-running.wav", 3.0));
  player.play();
  std::this_thread::sleep_for(100ms);
  const Clock::time_point seeked = Clock::now();
  player.seek(2.0);
  const double landed = player.position();
  EXPECT_GE(landed, 2.0);
  EXPECT_LE(landed, 2.0 + secondsSince(seeked) + 0.01);
  std::this_thread::sleep_for(100ms);
  EXPECT_GT(player.position(), landed);

  const Clock::time_point seekedBack = Clock::now();
  player.seek(0.25);
  const double back = player.position();
  EXPECT_GE(back, 0.25);
  EXPECT_LE(back, 0.25 + secondsSince(seekedBack) + 0.01);
}

TEST_F(SoundtrackPlaybackTest, PlayingToTheEndGivesExactlyTheLength) {
  open(writeStereoTone("end.wav", 0.3));
  player.play();
  const Clock::time_point start = Clock::now();
  while (player.isBeforeEnd() && secondsSince(start) < 10) std::this_thread::sleep_for(5ms);
  EXPECT_FALSE(player.isBeforeEnd());
  // The frame loop's end test compares these two exactly.
  EXPECT_EQ(player.position(), player.lengthSeconds());

  // A run after the end starts nothing of its own; a seek back plays again.
  player.play();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(player.position(), player.lengthSeconds());
  const Clock::time_point rewound = Clock::now();
  player.seek(0.0);
  EXPECT_TRUE(player.isBeforeEnd());
  std::this_thread::sleep_for(50ms);
  EXPECT_GT(player.position(), 0.0);
  EXPECT_LE(player.position(), secondsSince(rewound) + 0.01);
}

TEST_F(SoundtrackPlaybackTest, FilesThatCannotBePlayedFailAtOnceWithLengthZero) {
  const fs::path notAudio = directory / "notes.wav";
  std::ofstream(notAudio) << "These are not the samples you are looking for.\n";
  const fs::path empty = directory / "empty.wav";
  std::ofstream{empty};
  const fs::path pipe = directory / "pipe.wav";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const fs::path locked = directory / "locked.wav";
  writeStereoTone("locked.wav", 0.2);
  chmod(locked.c_str(), 0);
  const struct {
    fs::path path;
    MediaResult result;
  } cases[] = {
      {directory / "absent.wav", kMediaNotFound},
      {directory / "absent-folder" / "x.wav", kMediaNotFound},
      {directory, kMediaIsDirectory},
      {notAudio, kMediaNotAudio},
      {empty, kMediaNotAudio},
      {pipe, kMediaNotRegularFile},
      {locked, kMediaAccessDenied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    // Root reads anything, so root opens the locked file as nobody (the folder stays passable).
    const bool asNobody = c.result == kMediaAccessDenied && geteuid() == 0;
    if (asNobody) {
      chmod(directory.c_str(), 0711);
      ASSERT_EQ(seteuid(kNobody), 0);
    }
    const std::string line = open(c.path.string(), c.result);
    if (asNobody) {
      ASSERT_EQ(seteuid(0), 0);
    }
    EXPECT_EQ(line, kFailureLine);
    EXPECT_EQ(player.lengthSeconds(), 0.0);
    EXPECT_EQ(player.position(), 0.0);
    // The transport does nothing on a failed graph, and nothing goes wrong.
    player.play();
    player.seek(1.0);
    player.toggle();
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_FALSE(player.isBeforeEnd());
    player.release();
  }
}

TEST_F(SoundtrackPlaybackTest, NoAudioOutputIsAnnouncedOnceOnStandardError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string path = writeStereoTone("notice.wav", 0.2);
  // Either the machine has an audio output (nothing said) or it plays silently and says so once.
  EXPECT_EXIT(
      {
        for (int i = 0; i < 2; ++i) {
          SoundtrackPlayer twice;
          twice.open(path.c_str());
          twice.release();
        }
        std::fflush(stderr);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0),
      "^(kyla: no audio output found; playing the soundtrack silently in real time\n)?$");
}

// The level is hundredths of a decibel from -10000 to 0; a request outside that is refused.
TEST(MediaVolume, RequestsOutsideTheRangeAreRefused) {
  MediaGraph* graph = mediaCreateGraph();
  MediaAudio* audio = mediaQueryAudio(graph);
  const struct {
    long request;
    MediaResult result;
  } cases[] = {
      {-90000, kMediaInvalidArg}, {-10001, kMediaInvalidArg}, {1, kMediaInvalidArg},
      {-10000, kMediaOk},         {-600, kMediaOk},           {0, kMediaOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    EXPECT_EQ(mediaPutVolume(audio, c.request), c.result);
  }
  mediaRelease(graph);
  mediaRelease(audio);
}

// Names are UTF-8 all the way to the file system.
TEST_F(SoundtrackPlaybackTest, NameOutsideAsciiOpens) {
  const std::string path = writeStereoTone("kylä-ääni.wav", 0.5);
  EXPECT_EQ(open(path), kSuccessLine);
  EXPECT_NEAR(player.lengthSeconds(), 0.5, 0.001);
}
}  // namespace
