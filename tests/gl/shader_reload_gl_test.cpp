// Shader reload on llvmpipe: files written into a scratch source tree are rebuilt on Ctrl+S, and a
// file that is broken or missing leaves its running program drawing as before.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "gl/gl_test_support.h"
#include "platform/headless.h"
#include "shader_reload.h"
#include "support/scratch_shader_tree.h"

namespace {

// A pass-contract program that fills the target with one colour. The colour goes through a macro
// continued over two lines, the place where a preprocessor is most sensitive to line ends.
std::string solid(const char* rgb) {
  return std::string("#version 430\n"
                     "layout(location = 0) uniform int m;\n"
                     "layout(location = 1) uniform sampler2D a;\n"
                     "layout(location = 2) uniform sampler2D b;\n"
                     "out vec4 o;\n"
                     "#define COLOUR \\\n"
                     "  vec4(") + rgb + ", 1.0)\n"
         "void main() { o = COLOUR; }\n";
}

std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class ShaderReloadGl : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureHeadlessContext();
    resetShaderReload();
    headlessSetMilliseconds(100000);
    const std::string initial = solid("0.0, 0.0, 0.0");
    for (GLuint* program : {&scene, &post, &gather}) *program = buildFragmentProgram(initial);
    tree.write("fragment.frag", solid("0.25, 0.0, 0.0"));
    tree.write("post.frag", solid("0.0, 0.5, 0.0"));
    tree.write("gather.frag", solid("0.0, 0.0, 0.75"));
  }
  void TearDown() override {
    headlessSetKeyDown(Key::Control, false);
    headlessSetKeyDown(Key::S, false);
  }

  // A separate press, well past the debounce. Returns the message boxes it caused.
  std::string pressCtrlS() {
    const std::size_t shown = headlessMessages().size();
    milliseconds += 1000;
    headlessSetMilliseconds(milliseconds);
    headlessSetKeyDown(Key::Control, true);
    headlessSetKeyDown(Key::S, true);
    reloadShaders(scene, post, gather);
    headlessSetKeyDown(Key::Control, false);
    headlessSetKeyDown(Key::S, false);
    return headlessMessages().substr(shown);
  }
  static std::vector<float> colour(GLuint program) { return renderRegion(program, 0, 0, 0, {960, 540, 1, 1}); }

  ScratchShaderTree tree;
  std::uint32_t milliseconds = 100000;
  GLuint scene = 0;
  GLuint post = 0;
  GLuint gather = 0;
};

TEST_F(ShaderReloadGl, AFileSavedWithCrLfBuildsLikeTheLfOne) {
  EXPECT_EQ(pressCtrlS(), "");
  const std::vector<float> fromLf = colour(scene);
  EXPECT_EQ(fromLf, (std::vector<float>{0.25f, 0.0f, 0.0f, 1.0f}));

  tree.write("fragment.frag", withCrLf(solid("0.25, 0.0, 0.0")));
  const GLuint lfProgram = scene;
  EXPECT_EQ(pressCtrlS(), "");
  EXPECT_NE(scene, lfProgram);
  EXPECT_EQ(colour(scene), fromLf);
}

TEST_F(ShaderReloadGl, BrokenOrMissingFilesKeepTheRunningProgramUntilFixed) {
  ASSERT_EQ(pressCtrlS(), "");
  const std::vector<float> postBefore = colour(post);
  const std::vector<float> gatherBefore = colour(gather);
  EXPECT_EQ(postBefore, (std::vector<float>{0.0f, 0.5f, 0.0f, 1.0f}));

  tree.write("post.frag", "#version 430\nout vec4 o;\nvoid main() { o = vec4(1.0) }\n");
  const GLuint runningPost = post;
  const GLuint previousScene = scene;
  const std::string log = pressCtrlS();
  EXPECT_NE(log.find("error"), std::string::npos) << log;
  EXPECT_EQ(post, runningPost);
  EXPECT_EQ(colour(post), postBefore);
  EXPECT_NE(scene, previousScene) << "the other files are still reloaded";

  tree.remove("gather.frag");
  const GLuint runningGather = gather;
  const std::string missing = pressCtrlS();
  EXPECT_NE(missing.find("cannot read shader '../src/shaders/gather.frag'"), std::string::npos) << missing;
  EXPECT_EQ(gather, runningGather);
  EXPECT_EQ(colour(gather), gatherBefore);
  EXPECT_EQ(colour(post), postBefore);

  tree.write("post.frag", solid("0.0, 1.0, 0.0"));
  tree.write("gather.frag", solid("1.0, 1.0, 1.0"));
  EXPECT_EQ(pressCtrlS(), "");
  EXPECT_EQ(colour(post), (std::vector<float>{0.0f, 1.0f, 0.0f, 1.0f}));
  EXPECT_EQ(colour(gather), (std::vector<float>{1.0f, 1.0f, 1.0f, 1.0f}));
}

// A source without main() compiles but cannot link: it is reported and the running program stays.
TEST_F(ShaderReloadGl, AFileThatCompilesButDoesNotLinkKeepsTheRunningProgram) {
  ASSERT_EQ(pressCtrlS(), "");
  const std::vector<float> sceneBefore = colour(scene);
  tree.write("fragment.frag", "#version 430\nout vec4 o;\nvec4 unused() { return vec4(1.0); }\n");
  const GLuint running = scene;
  const std::string log = pressCtrlS();
  EXPECT_NE(log.find("the scene program from '../src/shaders/fragment.frag' did not link"), std::string::npos) << log;
  EXPECT_EQ(scene, running);
  EXPECT_EQ(colour(scene), sceneBefore);
}

// Files an editor session can leave behind. Each costs a message and the running program keeps
// drawing; none may hang the reload or crash the driver's compiler.
TEST_F(ShaderReloadGl, FilesThatAreNotShadersKeepTheRunningProgram) {
  struct Case {
    const char* what;
    void (*arrange)(const ScratchShaderTree&);
    const char* message;
  };
  const Case cases[] = {
      {"empty", [](const ScratchShaderTree& t) { t.write("fragment.frag", ""); }, "the file is empty"},
      {"binary junk without NUL bytes", [](const ScratchShaderTree& t) {
         std::string junk;
         for (int at = 0; at < 4096; ++at) junk += static_cast<char>(1 + (at * 131 + 7) % 255);
         t.write("fragment.frag", junk);
       }, "error"},
      {"binary junk with NUL bytes", [](const ScratchShaderTree& t) {
         std::string junk;
         for (int at = 0; at < 4096; ++at) junk += static_cast<char>((at * 37) % 256);
         t.write("fragment.frag", junk);
       }, "holds a NUL byte"},
      {"larger than the limit", [](const ScratchShaderTree& t) {
         t.write("fragment.frag", solid("1.0, 1.0, 1.0") + std::string(kShaderFileLimit, '\n'));
       }, "larger than 1024 KiB"},
      {"a folder", [](const ScratchShaderTree& t) {
         t.remove("fragment.frag");
         std::filesystem::create_directory(t.shaderPath("fragment.frag"));
       }, "Is a directory"},
#ifndef _WIN32
      {"a FIFO without a writer", [](const ScratchShaderTree& t) {
         t.remove("fragment.frag");
         ASSERT_EQ(mkfifo(t.shaderPath("fragment.frag").c_str(), 0600), 0);
       }, "not a regular file"},
#endif
  };
  ASSERT_EQ(pressCtrlS(), "");
  const std::vector<float> good = colour(scene);
  EXPECT_EQ(good, (std::vector<float>{0.25f, 0.0f, 0.0f, 1.0f}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::error_code ignored;
    std::filesystem::remove_all(tree.shaderPath("fragment.frag"), ignored);
    tree.write("fragment.frag", solid("0.25, 0.0, 0.0"));
    c.arrange(tree);
    const GLuint running = scene;
    const std::string log = pressCtrlS();
    EXPECT_NE(log.find(c.message), std::string::npos) << log;
    EXPECT_EQ(scene, running);
    EXPECT_EQ(colour(scene), good);
  }
}

}  // namespace
