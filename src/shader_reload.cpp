#include "shader_reload.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "pipeline.h"

namespace {

// The last moment Ctrl+S was seen held, on the platform's millisecond clock widened to 64 bits.
std::uint64_t lastSeen = 0;

constexpr std::uint64_t kDebounceMilliseconds = 500;
constexpr std::uint32_t kSettleMilliseconds = 200;

struct ShaderFile {
  ShaderSlot slot;
  const char* name;
  const char* program;
};
// Read and rebuilt in the embedded table's order.
constexpr ShaderFile kShaderFiles[] = {
    {kSceneSource, "fragment.frag", "scene"}, {kPostSource, "post.frag", "post"}, {kGatherSource, "gather.frag", "gather"}};

char* failWith(std::FILE* file, char* buffer, int error) {
  std::free(buffer);
  std::fclose(file);
  errno = error;
  return nullptr;
}

std::string readFailure(int error) {
  switch (error) {
    case EINVAL: return "not a regular file";
    case EFBIG: return "larger than " + std::to_string(kShaderFileLimit >> 10) + " KiB, more than any shader";
    case EILSEQ: return "holds a NUL byte, not shader text";
    case ENODATA: return "the file is empty";
    default: return std::strerror(error);
  }
}

// Builds a program from text that has already passed the compile check. Returns 0, after showing
// the linker's log, when the program does not link.
GLuint buildProgram(const char* text, const std::string& path, const char* programName) {
  std::string log;
  const GLuint program = buildLinkedProgram(text, &log);
  if (!program) {
    const std::string message = "kyla: the " + std::string(programName) + " program from '" + path +
                                "' did not link; the running one is kept\n" + log;
    platformMessageBox(message.c_str());
  }
  return program;
}

// Rebuilds one program from its file, keeping the running program when the file cannot be read
// or does not build, so the picture goes on while the author fixes it.
void reloadProgram(const ShaderFile& file, GLuint& program) {
  const std::string path = std::string(kShaderFolder) + file.name;
  char* text = readTextFile(path.c_str());
  if (text && !*text) {
    std::free(text);
    text = nullptr;
    errno = ENODATA;
  }
  if (!text) {
    const std::string reason = readFailure(errno);
    const std::string message = "kyla: cannot read shader '" + path + "': " + reason +
                                " (run from a folder beside src/, such as build/, and save the file there; the " +
                                file.program + " program keeps running)";
    platformMessageBox(message.c_str());
    return;
  }
  if (checkShaderCompiles(text)) {
    if (const GLuint rebuilt = buildProgram(text, path, file.program)) {
      gl<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program);
      program = rebuilt;
    }
  }
  std::free(text);
}

}  // namespace

char* readTextFile(const char* path) {
  // Only regular files are read: opening a pipe without a writer would block for ever, a device
  // may never end, and a folder has no text (Windows would not even open it).
  struct stat status = {};
  if (stat(path, &status) == 0 && !S_ISREG(status.st_mode)) {
    errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  // Replaced by something else since the check: refuse it before sizing a buffer.
  if (fstat(fileno(file), &status) == 0 && !S_ISREG(status.st_mode))
    return failWith(file, nullptr, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
  if (std::fseek(file, 0, SEEK_END) != 0) return failWith(file, nullptr, errno);
  const long size = std::ftell(file);
  if (size < 0) return failWith(file, nullptr, errno);
  if (size > kShaderFileLimit) return failWith(file, nullptr, EFBIG);
  std::rewind(file);
  char* buffer = static_cast<char*>(std::calloc(static_cast<std::size_t>(size) + 1, 1));
  if (!buffer) return failWith(file, nullptr, ENOMEM);
  const std::size_t read = std::fread(buffer, 1, static_cast<std::size_t>(size), file);
  if (std::ferror(file)) return failWith(file, buffer, errno ? errno : EIO);
  std::fclose(file);
  if (std::memchr(buffer, 0, read)) {
    std::free(buffer);
    errno = EILSEQ;
    return nullptr;
  }
  // Text as a text-mode read gives it: every CR LF becomes LF; a lone CR stays.
  std::size_t length = 0;
  for (std::size_t at = 0; at < read; ++at)
    if (!(buffer[at] == '\r' && at + 1 < read && buffer[at + 1] == '\n')) buffer[length++] = buffer[at];
  buffer[length] = 0;
  return buffer;
}

void reloadShaders(GLuint& scene, GLuint& post, GLuint& gather) {
  if (!platformKeyDown(Key::Control)) return;
  if (!platformKeyDown(Key::S)) return;
  const std::uint64_t now = platformMilliseconds();
  // Unsigned on purpose: a clock that has wrapped below lastSeen gives a huge difference and reloads.
  if (now - lastSeen > kDebounceMilliseconds) {
    platformSleep(kSettleMilliseconds);
    GLuint* programs[kShaderSourceCount] = {};
    programs[kSceneSource] = &scene;
    programs[kPostSource] = &post;
    programs[kGatherSource] = &gather;
    for (const ShaderFile& file : kShaderFiles) reloadProgram(file, *programs[file.slot]);
  }
  // Refreshed on every call that sees the keys held, so holding them reloads once.
  lastSeen = platformMilliseconds();
}

void resetShaderReload() { lastSeen = 0; }
