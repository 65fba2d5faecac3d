// The editing build's transport keys and its pause at the soundtrack's end, on the fake platform
// and the fake media graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "demo.h"
#include "edit_frame.h"
#include "fakes/fake_media.h"
#include "fakes/fake_platform.h"

namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;
constexpr std::int64_t kLengthSeconds = 60;

class EditTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFakePlatform();
    resetFakeMedia();
    fakeMedia().duration = kLengthSeconds * kUnitsPerSecond;
    player.open(kSoundtrackFile);
  }

  // One frame's transport with exactly these keys down.
  void frame(std::initializer_list<Key> down = {}) {
    for (bool& key : fakePlatform().keysDown) key = false;
    for (Key key : down) fakePlatform().keysDown[static_cast<int>(key)] = true;
    applyTransport(transport, player);
  }
  std::ptrdiff_t count(const std::string& call) {
    return std::count(fakeMedia().calls.begin(), fakeMedia().calls.end(), call);
  }

  SoundtrackPlayer player;
  Transport transport;
};

TEST_F(EditTransport, SeekKeysMoveFiveSecondsClampedAndHomeGoesToTheStart) {
  struct Case {
    double from;
    Key key;
    double to;
  };
  const Case cases[] = {
      {10, Key::Right, 15}, {10, Key::Left, 5}, {3, Key::Left, 0}, {0, Key::Left, 0},
      {57, Key::Right, 60}, {60, Key::Right, 60}, {42.5, Key::Home, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " s, key " << static_cast<int>(c.key));
    transport = Transport{};
    fakeMedia().position = static_cast<std::int64_t>(c.from * kUnitsPerSecond);
    frame({c.key});
    EXPECT_EQ(fakeMedia().position, static_cast<std::int64_t>(c.to * kUnitsPerSecond));
  }
}

// Each key acts once per press, however many frames it is held.
TEST_F(EditTransport, KeysActOncePerPress) {
  player.play();
  fakeMedia().position = 20 * kUnitsPerSecond;

  frame({Key::Space});
  EXPECT_FALSE(fakeMedia().running);
  frame({Key::Space});
  frame({Key::Space});
  EXPECT_FALSE(fakeMedia().running) << "held Space toggled again";
  frame();
  frame({Key::Space});
  EXPECT_TRUE(fakeMedia().running);

  frame({Key::Left});
  frame({Key::Left});
  frame({Key::Left});
  EXPECT_EQ(fakeMedia().position, 15 * kUnitsPerSecond);
  frame();
  frame({Key::Right});
  frame({Key::Right});
  EXPECT_EQ(fakeMedia().position, 20 * kUnitsPerSecond);
}

// The demo ends at the soundtrack's end; the editing build pauses there once and keeps drawing
// until Escape, and Left then plays on from 5 s before the end.
TEST_F(EditTransport, EditingLoopPausesAtTheEndAndRunsUntilEscape) {
  Pipeline pipeline;
  player.play();
  fakeMedia().position = kLengthSeconds * kUnitsPerSecond;
  const std::ptrdiff_t stopsBefore = count("stop");

  int frames = 0;
  runFrameLoop(pipeline, player, [&](Pipeline& p, SoundtrackPlayer& s) {
    editFrame(transport, p, s);
    if (++frames == 5) fakePlatform().keysDown[static_cast<int>(Key::Escape)] = true;
  }, AtSoundtrackEnd::KeepRunning);

  EXPECT_EQ(fakePlatform().swaps, 5u);
  EXPECT_EQ(count("stop") - stopsBefore, 1) << "paused once on reaching the end";
  EXPECT_FALSE(fakeMedia().running);

  frame({Key::Space});
  EXPECT_TRUE(fakeMedia().running) << "Space at the end is still a toggle";
  frame({Key::Left});
  EXPECT_EQ(fakeMedia().position, (kLengthSeconds - 5) * kUnitsPerSecond);
  EXPECT_TRUE(fakeMedia().running);
}

}  // namespace
