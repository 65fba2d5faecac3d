// SoundtrackPlayer on the real GStreamer graph, with WAV files the tests write and common formats
// that ffmpeg writes at test time. Bounds on times are loose sanity checks: the machine is shared
// and may be slow.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

  // A quiet tone written by ffmpeg with the given output options; returns its path.
  static std::string generate(const std::string& name, const std::string& outputOptions, int rate = 44100,
                              int channels = 2, double seconds = 1.0) {
    const fs::path path = directory / name;
    const std::string command = "ffmpeg -v error -nostdin -y -f lavfi -i 'sine=frequency=440:sample_rate=" +
                                std::to_string(rate) + ":duration=" + std::to_string(seconds) +
                                "' -af 'volume=0.1' -ac " + std::to_string(channels) + " " + outputOptions + " '" +
                                path.string() + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return path.string();
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
  const struct {
    long request;
    MediaResult result;
  } cases[] = {
      {-90000, kMediaInvalidArg}, {-10001, kMediaInvalidArg}, {1, kMediaInvalidArg},
      {-10000, kMediaOk},         {-600, kMediaOk},           {0, kMediaOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    EXPECT_EQ(mediaPutVolume(graph, c.request), c.result);
  }
  mediaDestroyGraph(graph);
}

// Names are UTF-8 all the way to the file system.
TEST_F(SoundtrackPlaybackTest, NameOutsideAsciiOpens) {
  const std::string path = writeStereoTone("kylä-ääni.wav", 0.5);
  EXPECT_EQ(open(path), kSuccessLine);
  EXPECT_NEAR(player.lengthSeconds(), 0.5, 0.001);
}

// The decoder keeps an MP3 encoder's 1105 samples of priming and pads the last 1152-sample frame:
// that is the length heard, and the length the player must report.
double mp3Length(double seconds, int rate) {
  const double frames = std::ceil((seconds * rate + 1105) / 1152);
  return frames * 1152 / rate;
}

// Each format opens, reports its length to the millisecond, rises and ends. An MP3 without a
// length header has its length found by decoding it; with one, from the header.
TEST_F(SoundtrackPlaybackTest, CommonFormatsOpenReportTheirLengthPlayAndEnd) {
  const struct {
    const char* name;
    const char* options;
    int rate;
    int channels;
    double length;
  } files[] = {
      {"u8-mono-8k.wav", "-c:a pcm_u8", 8000, 1, 1.0},
      {"s16-stereo-44k.wav", "-c:a pcm_s16le", 44100, 2, 1.0},
      {"s16-mono-22k.wav", "-c:a pcm_s16le", 22050, 1, 1.0},
      {"s24-stereo-48k.wav", "-c:a pcm_s24le", 48000, 2, 1.0},
      {"s24-5.1-96k.wav", "-c:a pcm_s24le", 96000, 6, 1.0},
      {"f32-stereo-192k.wav", "-c:a pcm_f32le", 192000, 2, 1.0},
      {"f32-5.1-48k.wav", "-c:a pcm_f32le", 48000, 6, 1.0},
      {"vorbis.ogg", "-c:a libvorbis -q:a 3", 44100, 2, 1.0},
      {"flac-24-96k.flac", "-c:a flac -sample_fmt s32", 96000, 2, 1.0},
      {"flac-5.1.flac", "-c:a flac", 48000, 6, 1.0},
      {"cbr-header.mp3", "-c:a libmp3lame -b:a 128k", 44100, 2, mp3Length(1.0, 44100)},
      {"vbr-header.mp3", "-c:a libmp3lame -q:a 4", 44100, 2, mp3Length(1.0, 44100)},
      {"cbr-bare.mp3", "-c:a libmp3lame -b:a 128k -write_xing 0", 44100, 2, mp3Length(1.0, 44100)},
      {"vbr-bare-48k.mp3", "-c:a libmp3lame -q:a 4 -write_xing 0", 48000, 1, mp3Length(1.0, 48000)},
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
TEST_F(SoundtrackPlaybackTest, CutShortWavPlaysWhatIsThereAndEndsOrIsRefused) {
  const fs::path path = generate("cut.wav", "-c:a pcm_s16le", 44100, 2, 10);
  constexpr std::uintmax_t kNineSeconds = 9 * 44100 * 4;
  ASSERT_GT(fs::file_size(path), kNineSeconds);
  fs::resize_file(path, fs::file_size(path) - kNineSeconds);
  ::testing::internal::CaptureStdout();
  player.open(path.c_str());
  const std::string line = ::testing::internal::GetCapturedStdout();
  if (line == kFailureLine) {
    EXPECT_EQ(player.lengthSeconds(), 0.0);
    return;
  }
  ASSERT_EQ(line, kSuccessLine);
  EXPECT_NEAR(player.lengthSeconds(), 1.0, 0.001) << "the length of the data it holds";
  playsAndEnds();
}
}  // namespace
