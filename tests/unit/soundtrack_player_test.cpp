// SoundtrackPlayer over the fake media graph: the calls it makes, in order, and what it reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_media.h"
#include "soundtrack_player.h"

namespace {
using Calls = std::vector<std::string>;
constexpr std::int64_t kTenSeconds = 100000000;

class SoundtrackPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { resetFakeMedia(); }

  // Opens a ten-second soundtrack and forgets the calls that open made.
  void openTenSeconds() {
    fakeMedia().duration = kTenSeconds;
    ::testing::internal::CaptureStdout();
    player.open(kSoundtrackFile);
    ::testing::internal::GetCapturedStdout();
    fakeMedia().calls.clear();
  }

  SoundtrackPlayer player;
};

TEST_F(SoundtrackPlayerTest, OpenAsksForVolumeBeforeRenderingThenRewindsAndStops) {
  fakeMedia().duration = 123456789;
  fakeMedia().position = 5;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(player.open(kSoundtrackFile), kMediaOk);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Song succesfully rendered!\n");

  EXPECT_EQ(fakeMedia().calls, (Calls{"volume -90000", "render", "release graph", "seek 0", "stop"}));
  // The request is refused, so the soundtrack keeps its full volume.
  EXPECT_EQ(fakeMedia().volume, 0);
  EXPECT_DOUBLE_EQ(player.lengthSeconds(), 12.3456789);
  EXPECT_EQ(player.position(), 0.0);
  EXPECT_FALSE(fakeMedia().running);
  // The builder is gone; the three interfaces keep the graph.
  EXPECT_EQ(fakeMedia().liveReferences, 3);
}

TEST_F(SoundtrackPlayerTest, OpenReportsEveryResultOtherThanZeroAsFailure) {
  for (const MediaResult result : {kMediaNotFound, kMediaIsDirectory, kMediaNotAudio, MediaResult{1}}) {
    SCOPED_TRACE(result);
    resetFakeMedia();
    fakeMedia().renderResult = result;
    SoundtrackPlayer failed;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(failed.open("missing.wav"), result);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "mp3 rendering failed :(\n");
    // It carries on as after a success: rewound and stopped, with what the graph reports.
    EXPECT_EQ(fakeMedia().calls, (Calls{"volume -90000", "render", "release graph", "seek 0", "stop"}));
    EXPECT_EQ(failed.lengthSeconds(), 0.0);
  }
}

TEST_F(SoundtrackPlayerTest, SeekClampsToTheSoundtrack) {
  openTenSeconds();
  const struct {
    double seconds;
    std::string call;
  } cases[] = {
      {-1.0, "seek 0"},
      {-1e300, "seek 0"},
      {0.0, "seek 0"},
      {2.5, "seek 25000000"},
      {10.0, "seek 100000000"},
      {10.5, "seek 100000000"},
      {1e300, "seek 100000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    fakeMedia().calls.clear();
    EXPECT_EQ(player.seek(c.seconds), 0);
    EXPECT_EQ(fakeMedia().calls, Calls{c.call});
  }
}

TEST_F(SoundtrackPlayerTest, SeekWhileStoppedStaysStopped) {
  openTenSeconds();
  player.seek(3.0);
  EXPECT_EQ(fakeMedia().calls, Calls{"seek 30000000"});
  EXPECT_FALSE(fakeMedia().running);
  EXPECT_EQ(player.position(), 3.0);
}

TEST_F(SoundtrackPlayerTest, SeekWhileRunningStopsMovesAndRunsAgain) {
  openTenSeconds();
  player.play();
  fakeMedia().calls.clear();
  player.seek(3.0);
  EXPECT_EQ(fakeMedia().calls, (Calls{"stop", "seek 30000000", "run"}));
  EXPECT_TRUE(fakeMedia().running);
  // Still playing: a toggle now stops.
  fakeMedia().calls.clear();
  player.toggle();
  EXPECT_EQ(fakeMedia().calls, Calls{"stop"});
}

TEST_F(SoundtrackPlayerTest, ToggleFlipsBetweenRunningAndStopped) {
  openTenSeconds();
  EXPECT_EQ(player.toggle(), 0);
  EXPECT_EQ(fakeMedia().calls, Calls{"run"});
  EXPECT_TRUE(fakeMedia().running);
  EXPECT_EQ(player.toggle(), 0);
  EXPECT_EQ(fakeMedia().calls, (Calls{"run", "stop"}));
  EXPECT_FALSE(fakeMedia().running);
}

TEST_F(SoundtrackPlayerTest, IsBeforeEndTurnsFalseExactlyAtTheLength) {
  openTenSeconds();
  fakeMedia().position = kTenSeconds - 1;
  EXPECT_TRUE(player.isBeforeEnd());
  fakeMedia().position = kTenSeconds;
  EXPECT_FALSE(player.isBeforeEnd());
  // It lets the graph settle before it reads.
  EXPECT_EQ(fakeMedia().calls.front(), "wait");
}

TEST_F(SoundtrackPlayerTest, PositionIsReadFromTheGraphEachTime) {
  openTenSeconds();
  fakeMedia().positionScript = {0, 166666, 333333, kTenSeconds};
  EXPECT_EQ(player.position(), 0.0);
  EXPECT_DOUBLE_EQ(player.position(), 0.0166666);
  EXPECT_DOUBLE_EQ(player.position(), 0.0333333);
  EXPECT_EQ(player.position(), player.lengthSeconds());
}

TEST_F(SoundtrackPlayerTest, ReleaseLetsGoOfAudioControlAndSeekingInThatOrder) {
  openTenSeconds();
  player.release();
  EXPECT_EQ(fakeMedia().calls, (Calls{"release audio", "release control", "release seeking"}));
  EXPECT_EQ(fakeMedia().liveReferences, 0);
  // A second release has nothing left to let go of.
  player.release();
  EXPECT_EQ(fakeMedia().calls.size(), 3u);
}

TEST_F(SoundtrackPlayerTest, OpeningAgainLetsGoOfTheEarlierGraph) {
  openTenSeconds();
  ::testing::internal::CaptureStdout();
  player.open(kSoundtrackFile);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(fakeMedia().liveReferences, 3);
}
}  // namespace
