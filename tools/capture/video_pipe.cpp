#include "video_pipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct SpawnSettings {
  int input = -1;          // becomes the program's standard input when >= 0
  int closeInChild = -1;   // our end of that pipe, which the program must not hold open
  int output = -1;         // becomes the program's standard output when >= 0
  bool quiet = false;      // standard output and error to /dev/null
  bool ownGroup = false;   // a process group of its own, out of reach of the terminal's Ctrl+C
};

// Starts args[0], looked up on PATH, with the arguments that follow. Returns its pid, or -1.
pid_t spawn(const std::vector<std::string>& args, const SpawnSettings& s) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (s.input >= 0) {
    posix_spawn_file_actions_adddup2(&actions, s.input, STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, s.input);
  }
  if (s.closeInChild >= 0) posix_spawn_file_actions_addclose(&actions, s.closeInChild);
  if (s.output >= 0) {
    posix_spawn_file_actions_adddup2(&actions, s.output, STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, s.output);
  }
  if (s.quiet) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (s.ownGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return spawned == 0 ? pid : -1;
}

// Waits for the program; true when it exited with status 0.
bool exitedCleanly(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A line of ffmpeg's concat list. Inside single quotes only the quote itself needs escaping.
std::string concatLine(const std::string& path) {
  std::string line = "file '";
  for (char c : path) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return line + "'\n";
}

}  // namespace

bool programStarts(const std::string& program) {
  SpawnSettings settings;
  settings.quiet = true;
  const pid_t pid = spawn({program, "-version"}, settings);
  if (pid < 0) return false;
  exitedCleanly(pid);
  return true;
}

bool startVideoPipe(VideoPipe& pipe, const VideoPipeSettings& s) {
  // A write to an encoder that has quit must fail with EPIPE, not end the capture.
  std::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  if (::pipe(fds) != 0) return false;
  const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
  const std::string rate = std::to_string(s.fps);
  SpawnSettings settings;
  settings.input = fds[0];
  settings.closeInChild = fds[1];
  settings.ownGroup = true;
  std::vector<std::string> args = {s.ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
                                   "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate,
                                   "-i", "pipe:0"};
  // The inputs come first: ffmpeg takes an option before an -i as that input's.
  if (!s.soundtrack.empty()) args.insert(args.end(), {"-ss", s.audioStart, "-t", s.audioDuration, "-i", s.soundtrack});
  args.insert(args.end(), {"-map", "0:v:0"});
  if (!s.soundtrack.empty()) args.insert(args.end(), {"-map", "1:a:0", "-c:a", "aac", "-b:a", "192k", "-shortest"});
  args.insert(args.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
                           "-movflags", "+faststart", s.output});
  pipe.pid = spawn(args, settings);
  close(fds[0]);
  if (pipe.pid < 0) {
    close(fds[1]);
    return false;
  }
  pipe.input = fds[1];
  return true;
}

bool writeVideoFrame(VideoPipe& pipe, const Image& frame) {
  const std::uint8_t* data = frame.rgb.data();
  std::size_t left = frame.rgb.size();
  while (left > 0) {
    const ssize_t written = write(pipe.input, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

bool finishVideoPipe(VideoPipe& pipe) {
  if (pipe.input >= 0) close(pipe.input);
  pipe.input = -1;
  if (pipe.pid < 0) return false;
  const bool ok = exitedCleanly(pipe.pid);
  pipe.pid = -1;
  return ok;
}

bool joinVideoSegments(const VideoJoinSettings& s) {
  // The concat list names files relative to itself, so it gets absolute paths.
  {
    std::ofstream out(s.list);
    for (const std::string& segment : s.segments) {
      char absolute[PATH_MAX];
      if (!realpath(segment.c_str(), absolute)) return false;
      out << concatLine(std::string("file:") + absolute);
    }
    if (!out.flush()) return false;
  }
  // The video is copied as encoded, so joining costs no quality; the audio is cut again from the
  // soundtrack for the whole span, which leaves no seams where the segments meet.
  const pid_t pid = spawn({s.ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
                           "-f", "concat", "-safe", "0", "-i", s.list,
                           "-ss", s.audioStart, "-t", s.audioDuration, "-i", s.soundtrack,
                           "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy",
                           "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", s.output},
                          {});
  const bool ok = pid >= 0 && exitedCleanly(pid);
  std::remove(s.list.c_str());
  return ok;
}

std::int64_t countVideoFrames(const std::string& ffprobe, const std::string& file) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  SpawnSettings settings;
  settings.output = fds[1];
  settings.closeInChild = fds[0];
  const pid_t pid = spawn({ffprobe, "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                           "stream=nb_read_packets", "-of", "csv=p=0", file},
                          settings);
  close(fds[1]);
  std::string text;
  char buffer[256];
  ssize_t got = 0;
  while ((got = read(fds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
    if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
  close(fds[0]);
  if (pid < 0 || !exitedCleanly(pid)) return -1;
  char* end = nullptr;
  const long long frames = std::strtoll(text.c_str(), &end, 10);
  return end != text.c_str() && frames >= 0 ? frames : -1;
}
