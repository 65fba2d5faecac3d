// Shader reload on the fake platform: the Ctrl+S debounce, and what happens to each program when
// its file is missing, unreadable or does not compile.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fakes/fake_platform.h"
#include "shader_reload.h"
#include "support/scratch_shader_tree.h"

namespace {

constexpr char kShader[] = "#version 430\nout vec4 o;\nvoid main() { o = vec4(1.0); }\n";

class ShaderReload : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFakePlatform();
    resetShaderReload();
    for (const char* name : {"fragment.frag", "post.frag", "gather.frag"}) tree.write(name, kShader);
    fakePlatform().milliseconds = 10000;
  }

  int calls(const char* entry) { return fakePlatform().glCalls[entry]; }
  void holdKeys(bool control, bool s) {
    fakePlatform().keysDown[static_cast<int>(Key::Control)] = control;
    fakePlatform().keysDown[static_cast<int>(Key::S)] = s;
  }

  ScratchShaderTree tree;
  GLuint programs[3] = {101, 102, 103};
};

// One scripted session: each phase holds some keys and calls the reload every `every` ms.
TEST_F(ShaderReload, ReloadsOncePerPressWithA500MillisecondDebounce) {
  struct Phase {
    const char* what;
    bool control;
    bool s;
    std::uint32_t every;
    int calls;
    int reloads;
  };
  const Phase timeline[] = {
      {"first Ctrl+S after start, then held for 3 s", true, true, 50, 60, 1},
      {"released for 300 ms", false, false, 50, 6, 0},
      {"pressed again 350 ms after the last sighting", true, true, 50, 2, 0},
      {"released for 600 ms", false, false, 100, 6, 0},
      {"pressed again 650 ms after the last sighting", true, true, 50, 1, 1},
      {"Ctrl alone for a second", true, false, 100, 10, 0},
      {"Ctrl+S 50 ms after Ctrl alone was last seen", true, true, 50, 1, 1},
      {"S alone for a second", false, true, 100, 10, 0},
      {"Ctrl+S 50 ms after S alone was last seen", true, true, 50, 1, 1},
  };
  for (const Phase& phase : timeline) {
    SCOPED_TRACE(phase.what);
    const auto sleepsBefore = fakePlatform().sleeps.size();
    const int createsBefore = calls("glCreateShaderProgramv");
    holdKeys(phase.control, phase.s);
    for (int call = 0; call < phase.calls; ++call) {
      fakePlatform().milliseconds += phase.every;
      reloadShaders(programs[0], programs[1], programs[2]);
    }
    EXPECT_EQ(fakePlatform().sleeps.size() - sleepsBefore, static_cast<std::size_t>(phase.reloads));
    EXPECT_EQ(calls("glCreateShaderProgramv") - createsBefore, 3 * phase.reloads);
  }
  for (std::uint32_t sleep : fakePlatform().sleeps) EXPECT_EQ(sleep, 200u);
  EXPECT_TRUE(fakePlatform().messageBoxes.empty());
}

// Each program is rebuilt on its own: a file that cannot be used costs one message box and keeps
// that file's running program; the others are replaced and their old programs deleted.
TEST_F(ShaderReload, KeepsTheRunningProgramOfAFileThatCannotBeUsed) {
  struct Case {
    const char* what;
    void (*arrange)(const ScratchShaderTree&);
    int keptSlot;  // -1: every program is replaced
    const char* message;
  };
  const Case cases[] = {
      {"every file builds", [](const ScratchShaderTree&) {}, -1, nullptr},
      {"post.frag is missing", [](const ScratchShaderTree& t) { t.remove("post.frag"); }, 1,
       "cannot read shader '../src/shaders/post.frag': No such file or directory"},
      {"gather.frag is a folder", [](const ScratchShaderTree& t) {
         t.remove("gather.frag");
         std::filesystem::create_directory(t.shaderPath("gather.frag"));
       }, 2, "cannot read shader '../src/shaders/gather.frag': Is a directory"},
#ifndef _WIN32
      // Opening a pipe that no one writes to would block the reload, and the frame loop, for ever.
      {"post.frag is a pipe without a writer", [](const ScratchShaderTree& t) {
         t.remove("post.frag");
         ASSERT_EQ(mkfifo(t.shaderPath("post.frag").c_str(), 0600), 0);
       }, 1, "cannot read shader '../src/shaders/post.frag': not a regular file"},
#endif
      {"post.frag is empty", [](const ScratchShaderTree& t) { t.write("post.frag", ""); }, 1,
       "cannot read shader '../src/shaders/post.frag': the file is empty"},
      // Cut at the NUL, the rest of this would compile: the file must be refused, not half-built.
      {"fragment.frag holds a NUL byte", [](const ScratchShaderTree& t) {
         t.write("fragment.frag", std::string(kShader) + std::string(1, '\0') + "junk");
       }, 0, "cannot read shader '../src/shaders/fragment.frag': holds a NUL byte, not shader text"},
      {"gather.frag is over the size limit", [](const ScratchShaderTree& t) {
         t.write("gather.frag", std::string(kShader) + std::string(kShaderFileLimit, ' '));
       }, 2, "cannot read shader '../src/shaders/gather.frag': larger than 1024 KiB, more than any shader"},
      {"fragment.frag does not compile", [](const ScratchShaderTree&) { fakePlatform().nextCompileFails = true; },
       0, "0:1(1): error: syntax error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchShaderTree fresh;
    for (const char* name : {"fragment.frag", "post.frag", "gather.frag"}) fresh.write(name, kShader);
    resetFakePlatform();
    resetShaderReload();
    fakePlatform().milliseconds = 10000;
    c.arrange(fresh);
    GLuint before[3] = {101, 102, 103};
    GLuint after[3] = {101, 102, 103};
    holdKeys(true, true);
    reloadShaders(after[0], after[1], after[2]);

    const int replaced = c.keptSlot < 0 ? 3 : 2;
    for (int slot = 0; slot < 3; ++slot) {
      if (slot == c.keptSlot)
        EXPECT_EQ(after[slot], before[slot]) << "slot " << slot;
      else
        EXPECT_NE(after[slot], before[slot]) << "slot " << slot;
    }
    EXPECT_EQ(calls("glCreateShaderProgramv"), replaced);
    EXPECT_EQ(calls("glDeleteProgram"), replaced);
    if (c.message) {
      ASSERT_EQ(fakePlatform().messageBoxes.size(), 1u);
      EXPECT_NE(fakePlatform().messageBoxes[0].find(c.message), std::string::npos) << fakePlatform().messageBoxes[0];
    } else {
      EXPECT_TRUE(fakePlatform().messageBoxes.empty());
    }
  }
}

TEST(ReadTextFile, ReadsCrLfAsLfAndReportsWhatItCannotRead) {
  ScratchShaderTree tree;
  tree.write("text.frag", "a\r\nb\rc\r\n\r\n");
  tree.write("empty.frag", "");

  char* text = readTextFile("../src/shaders/text.frag");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "a\nb\rc\n\n");
  std::free(text);

  char* empty = readTextFile("../src/shaders/empty.frag");
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  std::free(empty);

  errno = 0;
  EXPECT_EQ(readTextFile("../src/shaders/absent.frag"), nullptr);
  EXPECT_EQ(errno, ENOENT);
  errno = 0;
  EXPECT_EQ(readTextFile("../src/shaders"), nullptr);
  EXPECT_EQ(errno, EISDIR);
#ifndef _WIN32
  ASSERT_EQ(mkfifo("../src/shaders/pipe.frag", 0600), 0);
  errno = 0;
  EXPECT_EQ(readTextFile("../src/shaders/pipe.frag"), nullptr);
  EXPECT_EQ(errno, EINVAL);
#endif
}

}  // namespace
