// The generated soundtrack: what the build puts beside the demo, read back through the demo's own
// player, and the synthesiser behind it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "soundtrack_player.h"
#include "soundtrack_synth.h"

namespace {

const char kBuilt[] = KYLA_BINARY_DIR "/tools/soundtrack/brimvale-tarnel.wav";

// Root mean square of both channels between two times, in full-scale units.
double rms(const std::vector<float>& samples, double fromSeconds, double toSeconds) {
  const auto from = static_cast<std::size_t>(fromSeconds * kSoundtrackRate) * 2;
  const auto to = static_cast<std::size_t>(toSeconds * kSoundtrackRate) * 2;
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

}  // namespace

// The same bytes every time: two syntheses here and the file the build wrote in another process.
TEST(GeneratedSoundtrack, IsTheSameBytesOnEveryRun) {
  const std::vector<unsigned char> first = encodeWav(soundtrackFormat(), synthesizeSoundtrack());
  const std::vector<unsigned char> second = encodeWav(soundtrackFormat(), synthesizeSoundtrack());
  EXPECT_TRUE(first == second);
  std::ifstream built(kBuilt, std::ios::binary);
  ASSERT_TRUE(built) << "the build has not generated " << kBuilt;
  const std::vector<unsigned char> builtBytes((std::istreambuf_iterator<char>(built)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(builtBytes == first);
}

// The player the demo uses finds the length that the demo's timeline needs.
TEST(GeneratedSoundtrack, PlaysForSixtySecondsThroughTheDemosPlayer) {
  SoundtrackPlayer player;
  ASSERT_EQ(player.open(kBuilt), kMediaOk);
  EXPECT_NEAR(player.lengthSeconds(), kSoundtrackSeconds, 0.001);
  player.release();
}

// Shaped to the timeline: quiet at the start, rising to 14 s, fuller from 40 s, falling away from
// 50 s and digital silence for its last second.
TEST(GeneratedSoundtrack, FollowsTheTimeline) {
  const std::vector<float> samples = synthesizeSoundtrack();
  ASSERT_EQ(samples.size(), static_cast<std::size_t>(kSoundtrackRate) * kSoundtrackSeconds * 2);
  const double opening = rms(samples, 0.5, 2.5);
  const double afterFadeIn = rms(samples, 14, 20);
  const double middle = rms(samples, 25, 35);
  const double full = rms(samples, 42, 50);
  const double fallingAway = rms(samples, 55, 57);
  EXPECT_GT(middle, 0.05) << "silent in the middle";
  EXPECT_LT(opening, afterFadeIn * 0.3);
  EXPECT_GT(full, middle * 1.05);
  EXPECT_LT(fallingAway, full * 0.5);
  float loudest = 0;
  for (float sample : samples) loudest = std::max(loudest, std::fabs(sample));
  EXPECT_LT(loudest, 1.0f) << "clipped";
  for (std::size_t i = static_cast<std::size_t>(kSoundtrackSilentFrom * kSoundtrackRate) * 2; i < samples.size(); ++i)
    ASSERT_EQ(samples[i], 0.0f) << "sound at sample " << i / 2;
}
