#include "shader_reload.h"

#include <cstdio>
#include <cstdlib>

#include "pipeline.h"

namespace {
std::uint64_t lastSeen = 0;
}

char* readTextFile(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  std::rewind(file);
  char* buffer = static_cast<char*>(std::calloc(static_cast<std::size_t>(size) + 1, 1));
  const std::size_t read = std::fread(buffer, 1, static_cast<std::size_t>(size), file);
  std::fclose(file);
  // Text mode: CR LF becomes LF.
  std::size_t out = 0;
  for (std::size_t in = 0; in < read; ++in)
    if (!(buffer[in] == '\r' && in + 1 < read && buffer[in + 1] == '\n')) buffer[out++] = buffer[in];
  buffer[out] = 0;
  return buffer;
}

void reloadShaders(GLuint& scene, GLuint& post, GLuint& gather) {
  if (!platformKeyDown(Key::Control)) return;
  if (!platformKeyDown(Key::S)) return;
  const std::uint64_t now = platformMilliseconds();
  if (now - lastSeen > 500) {
    platformSleep(200);
    const char* paths[3] = {"../src/shaders/fragment.frag", "../src/shaders/post.frag", "../src/shaders/gather.frag"};
    GLuint* programs[3] = {&scene, &post, &gather};
    for (int slot = 0; slot < 3; ++slot) {
      char* text = readTextFile(paths[slot]);
      checkShaderCompiles(text);
      const char* source = text;
      *programs[slot] = gl<PFNGLCREATESHADERPROGRAMVPROC>("glCreateShaderProgramv")(GL_FRAGMENT_SHADER, 1, &source);
      std::free(text);
    }
  }
  lastSeen = platformMilliseconds();
}
