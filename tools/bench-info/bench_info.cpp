#include "bench_info.h"

#include <GL/gl.h>
#include <sys/utsname.h>

#include <fstream>
#include <thread>

namespace {

std::string cpuModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line))
    if (line.rfind("model name", 0) == 0) {
      const auto colon = line.find(':');
      if (colon != std::string::npos) return line.substr(line.find_first_not_of(' ', colon + 1));
    }
  return "unknown CPU";
}

std::string glString(GLenum name) {
  const auto* text = reinterpret_cast<const char*>(glGetString(name));
  return text ? text : "unknown";
}

}  // namespace

std::string benchMachine() {
  std::string machine = cpuModel() + ", " + std::to_string(std::thread::hardware_concurrency()) + " hardware threads";
  utsname system = {};
  if (uname(&system) == 0) machine += std::string(", ") + system.sysname + " " + system.release + " " + system.machine;
  return machine;
}

std::string benchGLDriver() { return glString(GL_RENDERER) + ", " + glString(GL_VERSION); }
