#include "video_pipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

extern char** environ;

bool programStarts(const std::string& program) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string version = "-version";
  char* argv[] = {const_cast<char*>(program.c_str()), version.data(), nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

bool startVideoPipe(VideoPipe& pipe, const VideoPipeSettings& s) {
  // A write to an encoder that has quit must fail with EPIPE, not end the capture.
  std::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  if (::pipe(fds) != 0) return false;
  const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
  const std::string rate = std::to_string(s.fps);
  const std::vector<std::string> args = {
      s.ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate, "-i", "pipe:0",
      "-ss", s.audioStart, "-t", s.audioDuration, "-i", s.soundtrack,
      "-map", "0:v:0", "-map", "1:a:0",
      "-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
      "-c:a", "aac", "-b:a", "192k", "-shortest", "-movflags", "+faststart", s.output};
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const int spawned = posix_spawnp(&pipe.pid, s.ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(fds[0]);
  if (spawned != 0) {
    close(fds[1]);
    pipe.pid = -1;
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
  int status = 0;
  while (waitpid(pipe.pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  pipe.pid = -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
