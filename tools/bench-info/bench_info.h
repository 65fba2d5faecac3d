// The machine and GL driver a benchmark ran on, as one line each, for its printed report.
#pragma once

#include <string>

// CPU model, hardware threads, kernel: "AMD EPYC 7B13, 2 hardware threads, Linux 6.1.0 x86_64".
std::string benchMachine();

// Renderer and version of the current GL context: "llvmpipe (LLVM 15.0.6, 256 bits), 4.5 (Compatibility
// Profile) Mesa 22.3.6". Needs a current context.
std::string benchGLDriver();
