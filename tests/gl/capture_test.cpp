// kyla-capture: its frame schedule, the read-back, and the program itself run as a user runs it.
// Full frames cost seconds on llvmpipe, so every capture here renders two or three frames.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture_schedule.h"
#include "demo.h"
#include "frame_image.h"
#include "gl/gl_test_support.h"

namespace {

const std::string kCapture = KYLA_BINARY_DIR "/kyla-capture";
const std::string kSoundtrack = KYLA_BINARY_DIR "/tools/soundtrack/brimvale-tarnel.wav";  // 60 s
// How far a later part's frames may stray from the whole capture's (see CaptureParts). Measured
// on llvmpipe: at most 5 levels, on at most 438320 pixels (21 %), so the bound leaves one level
// and a few percent to spare.
constexpr int kPartLargestDifference = 6;
constexpr std::int64_t kPartDifferingPixels = 1920 * 1080 / 4;

std::string makeTempDir() {
  std::string pattern = testing::TempDir() + "kyla-capture-XXXXXX";
  EXPECT_NE(mkdtemp(pattern.data()), nullptr);
  return pattern;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct CaptureRun {
  int status = -1;
  std::string stderrText;
};

// Runs kyla-capture through the shell in dir, with `environment` (such as "PATH=/x") before it.
CaptureRun capture(const std::string& dir, const std::string& args, const std::string& environment = "") {
  const std::string errors = dir + "/stderr.txt";
  const std::string command =
      "cd '" + dir + "' && " + environment + " '" + kCapture + "' " + args + " >/dev/null 2>'" + errors + "'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fileBytes(errors)};
}

std::string withSoundtrack(const std::string& args) { return args + " --soundtrack '" + kSoundtrack + "'"; }

// The file as RGB, as writePng wrote it; an empty image, with a test failure, when it cannot be read.
Image loadPng(const std::string& path) {
  png_image png = {};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  png.format = PNG_FORMAT_RGB;
  Image image = makeImage(static_cast<int>(png.width), static_cast<int>(png.height));
  EXPECT_NE(png_image_finish_read(&png, nullptr, image.rgb.data(), image.width * 3, nullptr), 0) << path;
  png_image_free(&png);
  return image;
}

}  // namespace

// Times given in decimal seconds land on exactly the frames they name, where floating point
// would slip (0.1 * 30 is 3.0000000000000004).
TEST(CaptureSchedule, SpansAndFrameTimesAreExact) {
  struct Case {
    std::int64_t fromUs, toUs;
    int fps;
    std::int64_t first, count;
  };
  const Case cases[] = {
      {100000, 200000, 30, 3, 3},      // frames 3, 4, 5: 0.1 <= n/30 < 0.2
      {0, 1000000, 60, 0, 60},         // the end is not included
      {1000000, 2000000, 2, 2, 2},
      {100000, 200000, 2, 1, 0},       // no frame between
      {59990000, 60000000, 60, 3600, 0},
  };
  for (const Case& c : cases) {
    const FrameSpan span = framesBetween(c.fromUs, c.toUs, c.fps);
    EXPECT_EQ(span.first, c.first) << c.fromUs << " at " << c.fps;
    EXPECT_EQ(span.count, c.count) << c.fromUs << ".." << c.toUs << " at " << c.fps;
  }
  EXPECT_EQ(captureFrameMs(1, 60), 16);
  EXPECT_EQ(captureFrameMs(2, 30), 66);
  EXPECT_EQ(captureFrameMs(3, 30), 100);
  EXPECT_EQ(captureFrameMs(3600, 60), 60000);
  EXPECT_EQ(frameShownAt(7000000, 60), 420);
  EXPECT_EQ(frameShownAt(33333, 30), 0);
  EXPECT_EQ(warmupFrame(2, 1), 1);
  EXPECT_EQ(warmupFrame(2, 5), 0);  // nothing before the start: frame 0 again
}

// Parts follow each other without a gap or an overlap and together are the span.
TEST(CaptureSchedule, PartsTileTheSpan) {
  EXPECT_EQ(partOf({40, 3}, 2, 2).first, 41);
  EXPECT_EQ(partOf({40, 3}, 2, 2).count, 2);
  EXPECT_EQ(partOf({0, 10}, 3, 3).first, 6);
  EXPECT_EQ(partOf({0, 10}, 3, 3).count, 4);
  for (const FrameSpan span : {FrameSpan{0, 3600}, FrameSpan{7, 5}, FrameSpan{100, 1}})
    for (int parts = 1; parts <= std::min<std::int64_t>(span.count, 7); ++parts) {
      std::int64_t next = span.first;
      for (int part = 1; part <= parts; ++part) {
        const FrameSpan slice = partOf(span, part, parts);
        EXPECT_EQ(slice.first, next) << part << "/" << parts;
        EXPECT_GE(slice.count, span.count / parts) << part << "/" << parts;
        EXPECT_LE(slice.count, span.count / parts + 1) << part << "/" << parts;
        next = slice.first + slice.count;
      }
      EXPECT_EQ(next, span.first + span.count) << parts << " parts of " << span.first << "+" << span.count;
    }
}

// GL reads rows bottom-up; the image's first row must be the top of the screen, and survive a
// PNG round trip unchanged.
TEST(CaptureReadBack, RowsComeOutTopDownAndThroughPng) {
  ensureHeadlessContext();
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, kWidth, kHeight);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, kWidth, 2);  // the two bottom rows of the screen
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glScissor(5, kHeight - 1, 1, 1);  // one pixel in the top row
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);

  const Image frame = readWindowFrame();
  ASSERT_EQ(frame.width, kWidth);
  ASSERT_EQ(frame.height, kHeight);
  EXPECT_EQ(frame.pixel(5, 0)[1], 255);
  EXPECT_EQ(frame.pixel(6, 0)[1], 0);
  EXPECT_EQ(frame.pixel(100, kHeight - 1)[0], 255);
  EXPECT_EQ(frame.pixel(100, kHeight - 2)[0], 255);
  EXPECT_EQ(frame.pixel(100, kHeight - 3)[0], 0);

  const std::string dir = makeTempDir();
  ASSERT_TRUE(writePng(dir + "/frame.png", frame));
  EXPECT_TRUE(loadPng(dir + "/frame.png").rgb == frame.rgb);
}

// The capture's frames are the demo's: the same pipeline code and shaders, drawn and presented
// as the demo's loop does, with the same ms values, give the same pixels. The capture starts
// after one warm-up frame, so the echo of a frame that was not written is in them too.
TEST(CaptureProgram, FramesEqualTheDemoPipelinesPixelForPixel) {
  const std::string dir = makeTempDir();
  const CaptureRun run = capture(dir, withSoundtrack("--png frames --from 0.05 --to 0.15 --fps 20 --warmup 1"));
  ASSERT_EQ(run.status, 0) << run.stderrText;
  EXPECT_NE(run.stderrText.find("frames per second"), std::string::npos) << run.stderrText;

  ensureHeadlessContext();
  Pipeline pipeline;
  setUpPipeline(pipeline, shaderSources);
  const std::int32_t frameMs[] = {0, 50, 100};  // frames 0 (warm-up), 1 and 2 at 20 fps
  for (int n = 0; n < 3; ++n) {
    drawFrame(pipeline, [&] { return frameMs[n]; });
    if (n > 0) {
      char name[32];
      std::snprintf(name, sizeof name, "/frames/%06d.png", n);
      const Image captured = loadPng(dir + name);
      const Image demo = readWindowFrame();
      ASSERT_EQ(captured.width, kWidth);
      ASSERT_EQ(captured.height, kHeight);
      EXPECT_TRUE(captured.rgb == demo.rgb) << "frame " << n << " differs from the demo's";
    }
    presentFrame(pipeline);
  }
  EXPECT_FALSE(std::ifstream(dir + "/frames/000000.png")) << "a warm-up frame was written";
  EXPECT_FALSE(std::ifstream(dir + "/frames/000003.png")) << "a frame at --to was written";
}

TEST(CaptureProgram, SameCaptureTwiceGivesIdenticalFiles) {
  const std::string dir = makeTempDir();
  for (const char* file : {"a.png", "b.png"}) {
    const CaptureRun run = capture(dir, withSoundtrack(std::string("--still 0 ") + file + " --warmup 0"));
    ASSERT_EQ(run.status, 0) << run.stderrText;
  }
  const std::string first = fileBytes(dir + "/a.png");
  EXPECT_GT(first.size(), 0u);
  EXPECT_TRUE(first == fileBytes(dir + "/b.png"));
}

// One video stream at 1920x1080 and the given rate, one audio stream as long as the span.
TEST(CaptureProgram, Mp4HasTheVideoAndTheSpansAudio) {
  const std::string dir = makeTempDir();
  const CaptureRun run = capture(dir, withSoundtrack("--mp4 out.mp4 --from 1 --to 2 --fps 2 --warmup 0"));
  ASSERT_EQ(run.status, 0) << run.stderrText;

  const std::string probe = dir + "/probe.txt";
  const std::string command = "ffprobe -v error -show_entries stream=codec_type,width,height,r_frame_rate,duration -of "
                              "compact=p=0 '" + dir + "/out.mp4' > '" + probe + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::istringstream lines(fileBytes(probe));
  std::string line;
  int video = 0;
  int audio = 0;
  while (std::getline(lines, line)) {
    if (line.find("codec_type=video") != std::string::npos) {
      ++video;
      EXPECT_NE(line.find("width=1920|height=1080"), std::string::npos) << line;
      EXPECT_NE(line.find("r_frame_rate=2/1"), std::string::npos) << line;
    } else if (line.find("codec_type=audio") != std::string::npos) {
      ++audio;
      const double duration = std::atof(line.substr(line.find("duration=") + 9).c_str());
      EXPECT_NEAR(duration, 1.0, 0.05) << line;
    }
  }
  EXPECT_EQ(video, 1) << fileBytes(probe);
  EXPECT_EQ(audio, 1) << fileBytes(probe);
}

TEST(CaptureProgram, SheetIsAGridOfQuarterFrames) {
  const std::string dir = makeTempDir();
  const CaptureRun run = capture(dir, withSoundtrack("--sheet sheet.png --at 0,20 --fps 20 --warmup 0"));
  ASSERT_EQ(run.status, 0) << run.stderrText;
  const Image sheet = loadPng(dir + "/sheet.png");
  EXPECT_EQ(sheet.width, 2 * (480 + 8) + 8);
  EXPECT_EQ(sheet.height, 270 + 2 * 8);
}

// Ctrl+C ends the run after the frame in hand; the frames written so far are whole PNGs.
TEST(CaptureProgram, InterruptKeepsTheWrittenFrames) {
  const std::string dir = makeTempDir();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("stderr.txt", "w", stderr);
    execl(kCapture.c_str(), kCapture.c_str(), "--png", "frames", "--from", "0", "--to", "1", "--fps", "20",
          "--warmup", "0", "--soundtrack", kSoundtrack.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while (!std::ifstream(dir + "/frames/000000.png") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by a signal instead of stopping";
  EXPECT_EQ(WEXITSTATUS(status), 130) << fileBytes(dir + "/stderr.txt");
  int written = 0;
  for (int n = 0; n < 20; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/frames/%06d.png", n);
    if (!std::ifstream(dir + name)) break;
    EXPECT_EQ(loadPng(dir + name).width, kWidth) << name;
    ++written;
  }
  EXPECT_GE(written, 1);
  EXPECT_LT(written, 20);
  EXPECT_NE(fileBytes(dir + "/stderr.txt").find("stopped"), std::string::npos);
}

// The largest difference of a colour channel between two images of one size, and the number of
// pixels that differ at all.
struct Difference {
  int largest = 0;
  std::int64_t pixels = 0;
};

Difference compareImages(const Image& a, const Image& b) {
  Difference d;
  for (std::size_t at = 0; at + 2 < a.rgb.size() && at + 2 < b.rgb.size(); at += 3) {
    int largest = 0;
    for (std::size_t c = at; c < at + 3; ++c) largest = std::max(largest, std::abs(a.rgb[c] - b.rgb[c]));
    d.largest = std::max(d.largest, largest);
    d.pixels += largest > 0;
  }
  return d;
}

// A span of three frames at 2 fps, captured whole and in 2 and in 3 parts with the default
// warm-up. The first part has the whole capture's history, so its file is the same byte for byte.
// A later part starts its echo afresh: after the warm-up the rest of the difference stays in the
// 8-bit targets' rounding, where a pixel can settle on either of two neighbouring values, so
// those frames are held to a bound measured on llvmpipe.
TEST(CaptureParts, PartsWriteTheWholeCapturesFrames) {
  const std::string dir = makeTempDir();
  const std::string span = " --from 20 --to 21.5 --fps 2";
  ASSERT_EQ(capture(dir, withSoundtrack("--png whole" + span)).status, 0);
  const std::string names[] = {"/000040.png", "/000041.png", "/000042.png"};
  for (int parts : {2, 3}) {
    const std::string folder = "parts-of-" + std::to_string(parts);
    for (int part = 1; part <= parts; ++part) {
      const std::string slice = " --part " + std::to_string(part) + "/" + std::to_string(parts);
      const CaptureRun run = capture(dir, withSoundtrack("--png " + folder + span + slice));
      ASSERT_EQ(run.status, 0) << slice << ": " << run.stderrText;
    }
    EXPECT_TRUE(fileBytes(dir + "/" + folder + names[0]) == fileBytes(dir + "/whole" + names[0]))
        << folder << ": the first part's frame differs from the whole capture's";
    for (const std::string& name : names) {
      const Difference d = compareImages(loadPng(dir + "/whole" + name), loadPng(dir + "/" + folder + name));
      std::printf("%d parts, %s: largest difference %d, %lld pixels differ\n", parts, name.c_str() + 1, d.largest,
                  static_cast<long long>(d.pixels));
      EXPECT_LE(d.largest, kPartLargestDifference) << folder << name;
      EXPECT_LE(d.pixels, kPartDifferingPixels) << folder << name;
    }
    EXPECT_FALSE(std::ifstream(dir + "/" + folder + "/000039.png")) << "a warm-up frame was written";
  }
}

// The parts' segments joined: the whole capture's frame count, rate, size and audio length, and
// pictures within a tight PSNR of it: they differ only by the echo's rounding in the second part
// and by the encoder's choices (57.9 dB measured).
TEST(CaptureParts, JoinedSegmentsMatchTheWholeVideo) {
  const std::string dir = makeTempDir();
  const std::string span = " --from 30 --to 31 --fps 2";
  ASSERT_EQ(capture(dir, withSoundtrack("--mp4 whole.mp4" + span)).status, 0);
  for (const char* part : {"1", "2"}) {
    const CaptureRun run = capture(dir, withSoundtrack(std::string("--mp4 part-") + part + ".mp4 --part " + part + "/2" + span));
    ASSERT_EQ(run.status, 0) << run.stderrText;
  }
  const CaptureRun join = capture(dir, withSoundtrack("--join joined.mp4 part-1.mp4 part-2.mp4" + span));
  ASSERT_EQ(join.status, 0) << join.stderrText;
  // A part left out is found by the frame count, and no video is left.
  const CaptureRun missingPart = capture(dir, withSoundtrack("--join short.mp4 part-1.mp4" + span));
  EXPECT_EQ(missingPart.status, 1);
  EXPECT_NE(missingPart.stderrText.find("the segments hold 1 frames where the span from 30 s to 31 s at 2 fps has 2"),
            std::string::npos) << missingPart.stderrText;
  EXPECT_FALSE(std::ifstream(dir + "/short.mp4"));

  auto probe = [&](const std::string& file) {
    const std::string out = dir + "/" + file + ".probe";
    const std::string command = "ffprobe -v error -count_frames -show_entries "
                                "stream=codec_type,width,height,r_frame_rate,nb_read_frames,duration -of compact=p=0 '" +
                                dir + "/" + file + "' > '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << file;
    return fileBytes(out);
  };
  const std::string whole = probe("whole.mp4");
  EXPECT_NE(whole.find("codec_type=video|width=1920|height=1080|r_frame_rate=2/1"), std::string::npos) << whole;
  EXPECT_NE(whole.find("nb_read_frames=2"), std::string::npos) << whole;
  EXPECT_EQ(probe("joined.mp4"), whole);

  const std::string psnr = dir + "/psnr.txt";
  const std::string command = "ffmpeg -hide_banner -nostats -i '" + dir + "/joined.mp4' -i '" + dir +
                              "/whole.mp4' -lavfi '[0:v][1:v]psnr' -f null - 2> '" + psnr + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << fileBytes(psnr);
  const std::string report = fileBytes(psnr);
  const std::size_t average = report.find("average:");
  ASSERT_NE(average, std::string::npos) << report;
  const std::string value = report.substr(average + 8, report.find(' ', average) - average - 8);
  EXPECT_TRUE(value == "inf" || std::atof(value.c_str()) >= 50.0) << report;
}

// Bad input is refused before any rendering, with one line naming the problem and status 2.
TEST(CaptureProgram, BadInputGetsOneLineAndAFailingStatus) {
  const std::string dir = makeTempDir();
  std::ofstream(dir + "/file") << "x";
  struct Case {
    std::string args;
    std::string message;
    std::string environment;
  };
  const Case cases[] = {
      {"--sheet s.png --bogus", "unknown option '--bogus'", ""},
      {"--png f -- extra", "unexpected argument 'extra'", ""},
      {"", "no output chosen", ""},
      {"--png a --mp4 b.mp4", "choose one output", ""},
      {"--fps 0 --still 1 s.png", "--fps: '0'", ""},
      {"--still x s.png", "'x' is not a time", ""},
      {"--png f --from 5 --to 3", "--from 5 is not before --to 3", ""},
      {"--png f --to 61", "--to 61: past the soundtrack's end (the soundtrack is 60 s long)", ""},
      {"--still -1 s.png", "--still -1: before the soundtrack's start", ""},
      {"--sheet s.png --at 7,75", "--at 75: past the soundtrack's end", ""},
      {"--png f --from 0.1 --to 0.2 --fps 2", "no frame falls between 0.1 s and 0.2 s at 2 fps", ""},
      {"--png missing/frames", "cannot create frame directory 'missing/frames'", ""},
      {"--png file", "--png file: not a directory", ""},
      {"--still 1 missing/s.png", "directory 'missing' does not exist", ""},
      {"--still 1 .", "it is a directory", ""},
      {"--mp4 v.mp4", "needs the ffmpeg program, which is not on PATH", "PATH=/nonexistent"},
      {"--png f --part 3/2", "--part: '3/2' is not I/N", ""},
      {"--png f --part 0/2", "--part: '0/2' is not I/N", ""},
      {"--png f --part 2", "--part: '2' is not I/N", ""},
      {"--still 1 s.png --part 1/2", "--part goes with --png or --mp4", ""},
      {"--png f --from 1 --to 2 --fps 2 --part 1/3", "--part 1/3: the span has only 2 frames", ""},
      {"--join all.mp4", "--join needs the segments", ""},
      {"--join all.mp4 missing.mp4", "cannot read segment 'missing.mp4'", ""},
      {"--png f stray", "unexpected argument 'stray'", ""},
  };
  for (const Case& c : cases) {
    const CaptureRun run = capture(dir, withSoundtrack(c.args), c.environment);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_NE(run.stderrText.find(c.message), std::string::npos) << c.args << ": " << run.stderrText;
    EXPECT_EQ(run.stderrText.find('\n'), run.stderrText.size() - 1) << c.args << ": " << run.stderrText;
  }
  const CaptureRun missing = capture(dir, "--still 1 s.png --soundtrack nothing-here.wav");
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.stderrText.find("cannot open soundtrack 'nothing-here.wav': no such file"), std::string::npos)
      << missing.stderrText;
  EXPECT_FALSE(std::ifstream(dir + "/s.png"));
}

// Faults on the way out, met after rendering has begun: status 1, one line naming the file or the
// program, no video left that looks whole, and the PNGs written before the fault kept. The dying
// encoders are scripts named ffmpeg that take some of the first frame and then fail.
TEST(CaptureProgram, OutputFaultsLeaveNoUnfinishedVideo) {
  const std::string dir = makeTempDir();
  const std::string span = " --from 0 --to 0.15 --fps 20 --warmup 0";
  for (const char* name : {"fails", "killed"}) {
    const std::string bin = dir + "/" + name;
    ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
    std::ofstream script(bin + "/ffmpeg");
    script << "#!/bin/sh\n[ \"$1\" = -version ] && exit 0\n"
              "for last; do :; done\nprintf 'ftyp, not a whole video' > \"${last#file:}\"\n"
              "head -c 1000000 >/dev/null\n"
           << (std::string(name) == "fails" ? "echo 'encoder: broken' >&2; exit 1\n" : "kill -KILL $$\n");
    script.close();
    ASSERT_EQ(chmod((bin + "/ffmpeg").c_str(), 0755), 0);
  }
  struct Case {
    std::string args;
    std::string message;
    std::string environment;
    const char* unfinished;  // a file that must not be left, or nullptr
  };
  std::vector<Case> cases = {
      {"--mp4 v.mp4" + span, "ffmpeg could not encode 'v.mp4'", "PATH=" + dir + "/fails:$PATH", "v.mp4"},
      {"--mp4 v.mp4" + span, "ffmpeg could not encode 'v.mp4'", "PATH=" + dir + "/killed:$PATH", "v.mp4"},
  };
  // The full disk is the /dev/full device; a bare root may lack it, and then a test writing there
  // as root would create a file in its place.
  struct stat full = {};
  const bool haveFull = stat("/dev/full", &full) == 0 && S_ISCHR(full.st_mode);
  if (haveFull) {
    ASSERT_EQ(mkdir((dir + "/frames").c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/full", (dir + "/frames/000001.png").c_str()), 0);
    cases.push_back({"--still 0 /dev/full --warmup 0", "cannot write '/dev/full'", "", nullptr});
    cases.push_back({"--mp4 /dev/full" + span, "ffmpeg could not encode '/dev/full'", "", nullptr});
    cases.push_back({"--png frames" + span, "cannot write 'frames/000001.png'", "", "frames/000001.png.part"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args + " " + c.environment);
    const CaptureRun run = capture(dir, withSoundtrack(c.args), c.environment);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.stderrText.find("kyla-capture: " + c.message), std::string::npos) << run.stderrText;
    if (c.unfinished) {
      EXPECT_FALSE(std::ifstream(dir + "/" + c.unfinished)) << c.unfinished;
    }
  }
  if (!haveFull) {
    GTEST_SKIP() << "no /dev/full: the full-disk cases did not run";
  }
  EXPECT_TRUE(stat("/dev/full", &full) == 0 && S_ISCHR(full.st_mode)) << "/dev/full was removed or replaced";
  EXPECT_EQ(loadPng(dir + "/frames/000000.png").width, kWidth) << "the frame written before the fault stays";
}

TEST(CaptureProgram, HelpExplainsEveryOption) {
  const std::string dir = makeTempDir();
  const std::string out = dir + "/help.txt";
  ASSERT_EQ(std::system(("'" + kCapture + "' --help > '" + out + "'").c_str()), 0);
  const std::string help = fileBytes(out);
  for (const char* option : {"--png", "--still", "--sheet", "--mp4", "--join", "--part", "--from", "--to", "--at", "--fps", "--warmup",
                             "--soundtrack", "Examples", "kyla-capture --still"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
}
