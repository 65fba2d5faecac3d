// The pipeline and frame loop on the real driver, with probe shaders in place of the demo's.
//
// Before a frame every target is filled with a tag colour of its own. Drawing is scissored to a
// strip of five pixels at the origin, so the tags survive everywhere else. Each probe writes into
// that strip what it received:
//   x = 0  the ms uniform as three bytes, and the pass number
//   x = 1  the tag of the texture at location 1     x = 2  the tag of the texture at location 2
//   x = 3  pixel 0 of the texture at location 1     x = 4  pixel 0 of the texture at location 2
// Pixel 0 of a target is the stamp (x = 0) of the pass that last wrote it, so x = 3 and 4 tell this
// frame's images from the previous frame's.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "demo.h"
#include "fakes/fake_media.h"
#include "gl/gl_test_support.h"
#include "platform/headless.h"

namespace {

using Texel = std::array<int, 4>;
using Strip = std::array<Texel, 5>;

constexpr int kStripWidth = 5;
constexpr int kScenePass = 1;
constexpr int kGatherPass = 2;
constexpr int kPostPass = 3;
constexpr Texel kNoTexture = {0, 0, 0, 255};  // what an unbound (incomplete) unit reads

std::string probeSource(int pass) {
  return R"(#version 430
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D a;
layout(location = 2) uniform sampler2D b;
out vec4 o;
const vec2 R = vec2(1920, 1080);
const vec2 tagPixel = vec2(100.5) / R;  // texel centres: sampling gives the stored bytes exactly
const vec2 stampPixel = vec2(0.5) / R;
void main() {
  int x = int(gl_FragCoord.x);
  if (x == 0) o = vec4(m & 255, (m >> 8) & 255, (m >> 16) & 255, )" +
         std::to_string(pass) + R"() / 255.0;
  else if (x == 1) o = texture(a, tagPixel);
  else if (x == 2) o = texture(b, tagPixel);
  else if (x == 3) o = texture(a, stampPixel);
  else o = texture(b, stampPixel);
}
)";
}

Texel tag(int target) { return {40 * (target + 1), 7, 7, 250}; }
Texel stamp(int ms, int pass) { return {ms & 255, (ms >> 8) & 255, (ms >> 16) & 255, pass}; }

// Every message box shown so far, oldest first.
std::vector<std::string> messageBoxes() {
  std::vector<std::string> boxes;
  const std::string& all = headlessMessages();
  if (all.empty()) return boxes;
  std::size_t start = 0;
  for (std::size_t end; (end = all.find('\f', start)) != std::string::npos; start = end + 1)
    boxes.push_back(all.substr(start, end - start));
  boxes.push_back(all.substr(start));
  return boxes;
}

GLuint framebufferOf(const Pipeline& p, int target) { return target < 0 ? 0 : p.framebuffers[target]; }

// Reads the strip of a target (-1: the window). Touches no texture unit.
Strip readStrip(const Pipeline& p, int target) {
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, framebufferOf(p, target));
  std::uint8_t bytes[kStripWidth * 4] = {};
  glReadPixels(0, 0, kStripWidth, 1, GL_RGBA, GL_UNSIGNED_BYTE, bytes);
  Strip strip;
  for (int x = 0; x < kStripWidth; ++x)
    for (int c = 0; c < 4; ++c) strip[x][c] = bytes[x * 4 + c];
  return strip;
}

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureHeadlessContext();
    // No texture on any unit, as in a fresh context, whatever ran before in this process.
    for (GLenum unit = 0; unit < 3; ++unit) {
      gl<PFNGLACTIVETEXTUREPROC>("glActiveTexture")(GL_TEXTURE0 + unit);
      glBindTexture(GL_TEXTURE_2D, 0);
    }
    gl<PFNGLACTIVETEXTUREPROC>("glActiveTexture")(GL_TEXTURE0);
    resetFakeMedia();
    headlessSetKeyDown(Key::Escape, false);
    sources = {probeSource(kScenePass), probeSource(kPostPass), probeSource(kGatherPass)};
    const char* const texts[3] = {sources[0].c_str(), sources[1].c_str(), sources[2].c_str()};
    setUpPipeline(pipeline, texts);
    for (int target = 0; target < 3; ++target) fillWithTag(target);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, kStripWidth, 1);
  }

  void TearDown() override {
    releasePipeline(pipeline);
    glDisable(GL_SCISSOR_TEST);
    headlessSetKeyDown(Key::Escape, false);
  }

  void fillWithTag(int target) {
    gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, pipeline.framebuffers[target]);
    const Texel t = tag(target);
    glClearColor(static_cast<float>(t[0]) / 255, static_cast<float>(t[1]) / 255, static_cast<float>(t[2]) / 255,
                 static_cast<float>(t[3]) / 255);
    glClear(GL_COLOR_BUFFER_BIT);
  }

  // Opens the player on the fake graph; positions (seconds) are what successive queries report.
  void openSoundtrack(double lengthSeconds, const std::vector<double>& positions) {
    fakeMedia().duration = static_cast<std::int64_t>(lengthSeconds * 1e7);
    ASSERT_EQ(player.open("probe.wav"), kMediaOk);
    for (double seconds : positions) fakeMedia().positionScript.push_back(static_cast<std::int64_t>(seconds * 1e7));
    player.play();
  }

  std::vector<std::string> sources;
  Pipeline pipeline;
  SoundtrackPlayer player;
};

// Two frames through the schedule, one of each parity. A second position query within a frame
// would see 9 s and put a different ms into a later pass.
TEST_F(FrameLoop, PassesReadTheScheduledTargetsAndShareOneMsForBothParities) {
  openSoundtrack(60, {1.2345678, 9.0, 2.5, 9.0});
  const int msOf[2] = {1234, 2500};

  for (int frame = 0; frame < 2; ++frame) {
    const int k = pipeline.parity;
    ASSERT_EQ(k, frame % 2);
    const int ms = drawFrame(pipeline, [&] { return frameMilliseconds(player.position()); });
    presentFrame(pipeline);
    EXPECT_EQ(ms, msOf[frame]);
    const int previousMs = frame == 0 ? 0 : msOf[frame - 1];

    SCOPED_TRACE("frame " + std::to_string(frame) + ", parity " + std::to_string(k));
    // Scene: previous scene at 1, previous gather at 2 (nothing bound yet on the first frame).
    const Strip expectedScene = {stamp(ms, kScenePass), tag(1 - k), frame == 0 ? kNoTexture : tag(2),
                                 frame == 0 ? tag(1 - k) : stamp(previousMs, kScenePass),
                                 frame == 0 ? kNoTexture : stamp(previousMs, kGatherPass)};
    // Gather: this frame's scene at 1, previous scene at 2.
    const Strip expectedGather = {stamp(ms, kGatherPass), tag(k), tag(1 - k), stamp(ms, kScenePass),
                                  frame == 0 ? tag(1 - k) : stamp(previousMs, kScenePass)};
    // Post, into the window: this frame's gather at 1, this frame's scene at 2.
    const Strip expectedPost = {stamp(ms, kPostPass), tag(2), tag(k), stamp(ms, kGatherPass),
                                stamp(ms, kScenePass)};
    EXPECT_EQ(readStrip(pipeline, k), expectedScene);
    EXPECT_EQ(readStrip(pipeline, 2), expectedGather);
    EXPECT_EQ(readStrip(pipeline, -1), expectedPost);
    // One query per frame: the 9 s entry after this frame's position is still unread.
    EXPECT_EQ(fakeMedia().positionScript.size(), frame == 0 ? 3u : 1u);
    if (frame == 0) fakeMedia().positionScript.pop_front();
  }
}

struct LoopCase {
  const char* name;
  double lengthSeconds;
  bool escapeDown;
  std::vector<double> positions;  // what successive queries report; the last one is never read
  std::uint64_t frames;
  int lastMs;
};

// The loop's two exits. Both come after the swap, so the last frame is always drawn and presented.
TEST_F(FrameLoop, EndsAfterPresentingTheFrameThatMeetsAnExit) {
  const LoopCase cases[] = {
      {"Escape already down", 60, true, {0.5, 9.0}, 1, 500},
      {"soundtrack of length 0", 0, false, {0.0, 9.0}, 1, 0},
      {"position reaches the length exactly", 2, false, {1.0, 1.999, 2.0, 9.0}, 3, 2000},
      {"position passes the length", 2, false, {1.5, 2.25, 9.0}, 2, 2250},
  };
  for (const LoopCase& c : cases) {
    SCOPED_TRACE(c.name);
    resetFakeMedia();
    openSoundtrack(c.lengthSeconds, c.positions);
    headlessSetKeyDown(Key::Escape, c.escapeDown);
    const std::uint64_t before = headlessPresentedFrames();
    int beforeFrameCalls = 0;

    runFrameLoop(pipeline, player, [&](Pipeline&, SoundtrackPlayer&) { ++beforeFrameCalls; });

    EXPECT_EQ(headlessPresentedFrames() - before, c.frames);
    EXPECT_EQ(beforeFrameCalls, static_cast<int>(c.frames));
    EXPECT_EQ(fakeMedia().positionScript.size(), 1u);
    EXPECT_EQ(readStrip(pipeline, -1)[0], stamp(c.lastMs, kPostPass));
    headlessSetKeyDown(Key::Escape, false);
  }
}

// A source that does not compile costs one message box with the driver's log, cut to fit the
// 2048-character buffer, and the pipeline keeps the program it produced.
TEST_F(FrameLoop, CompileCheckShowsTheLogOfAFailingSourceOnly) {
  const std::size_t boxesBefore = messageBoxes().size();
  EXPECT_TRUE(checkShaderCompiles(sources[0].c_str()));
  EXPECT_EQ(messageBoxes().size(), boxesBefore);

  std::string broken = "#version 430\nout vec4 o;\nvoid main() {\n";
  for (int i = 0; i < 200; ++i) broken += "  o = vec4(undeclaredName" + std::to_string(i) + ");\n";
  broken += "}\n";
  EXPECT_FALSE(checkShaderCompiles(broken.c_str()));
  ASSERT_EQ(messageBoxes().size(), boxesBefore + 1);
  const std::string shown = messageBoxes().back();
  EXPECT_NE(shown.find("undeclaredName0"), std::string::npos) << shown;
  EXPECT_EQ(shown.size(), 2046u) << "a log longer than the buffer is cut to 2046 characters";

  Pipeline withBrokenPost;
  const char* const texts[3] = {sources[0].c_str(), broken.c_str(), sources[2].c_str()};
  setUpPipeline(withBrokenPost, texts);
  EXPECT_NE(withBrokenPost.post, 0u);
  EXPECT_EQ(messageBoxes().size(), boxesBefore + 2);
  releasePipeline(withBrokenPost);
}

// Resetting gives new targets without the old pictures, parity 0 and the same programs; releasing
// deletes every object the pipeline made.
TEST_F(FrameLoop, ResetRenewsTheTargetsAndReleaseDeletesEverything) {
  const Strip tagged = readStrip(pipeline, 0);
  pipeline.parity = 1;
  const Pipeline before = pipeline;
  resetTargets(pipeline);
  EXPECT_EQ(pipeline.parity, 0);
  EXPECT_EQ(pipeline.scene, before.scene);
  EXPECT_EQ(pipeline.post, before.post);
  EXPECT_EQ(pipeline.gather, before.gather);
  EXPECT_NE(readStrip(pipeline, 0), tagged);

  const Pipeline reset = pipeline;
  releasePipeline(pipeline);
  for (const Pipeline& p : {before, reset}) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_FALSE(glIsTexture(p.targets[j])) << "target " << j;
      EXPECT_FALSE(gl<PFNGLISFRAMEBUFFERPROC>("glIsFramebuffer")(p.framebuffers[j])) << "framebuffer " << j;
    }
    for (GLuint program : {p.scene, p.post, p.gather})
      EXPECT_FALSE(gl<PFNGLISPROGRAMPROC>("glIsProgram")(program));
  }
  EXPECT_EQ(pipeline.scene, 0u);
  EXPECT_EQ(pipeline.targets[0], 0u);
}

}  // namespace
