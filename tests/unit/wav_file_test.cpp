// The WAV header's length: exact for whole files, what is there for a cut one, and files that are
// not RIFF WAVE or lack the chunks that give a length told apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_shader_tree.h"
#include "wav_file.h"

namespace {

namespace fs = std::filesystem;

class WavLengthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kyla-wav-XXXXXX").string();
    ASSERT_TRUE(makeScratchFolder(pattern));
    directory = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }
  std::string write(const char* name, const std::string& contents) const {
    const fs::path path = directory / name;
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
  }

  fs::path directory;
};

std::string toneBytes(const WavFormat& format, int frames) {
  const std::vector<unsigned char> bytes =
      encodeWav(format, std::vector<float>(static_cast<std::size_t>(frames) * format.channels, 0.25f));
  return {bytes.begin(), bytes.end()};
}

TEST_F(WavLengthTest, WholeFilesGiveFramesOverRateTruncatedToMicroseconds) {
  const struct {
    WavFormat format;
    int frames;
    std::int64_t us;
  } cases[] = {
      {{44100, 2, WavSampleFormat::Pcm16}, 55566, 1260000},  // 1.2600...
      {{48000, 1, WavSampleFormat::Float32}, 36012, 750250},
      {{8000, 1, WavSampleFormat::Pcm16}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frames);
    std::int64_t length = -1;
    EXPECT_EQ(readWavLength(write("tone.wav", toneBytes(c.format, c.frames)), length), WavLength::Read);
    EXPECT_EQ(length, c.us);
  }
}

TEST_F(WavLengthTest, CutAndBrokenFilesAreToldApart) {
  const std::string bytes = toneBytes({44100, 2, WavSampleFormat::Pcm16}, 44100);
  const struct {
    const char* name;
    std::string contents;
    WavLength expected;
    std::int64_t length;
  } cases[] = {
      {"cut.wav", bytes.substr(0, 44 + 4 * 22050), WavLength::Read, 500000},
      {"text.wav", "not a sound", WavLength::NotWav, 0},
      {"no-format.wav", bytes.substr(0, 12) + bytes.substr(36), WavLength::Broken, 0},
      {"no-data.wav", bytes.substr(0, 36), WavLength::Broken, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::int64_t length = 0;
    EXPECT_EQ(readWavLength(write(c.name, c.contents), length), c.expected);
    EXPECT_EQ(length, c.length);
  }
  std::int64_t length = 0;
  EXPECT_EQ(readWavLength((directory / "missing.wav").string(), length), WavLength::NotWav);
}

}  // namespace
