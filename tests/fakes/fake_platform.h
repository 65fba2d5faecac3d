// Test control over the fake platform (fake_platform.cpp): keys, clock, message boxes and a GL
// whose entry points are stubs that count their calls. No window and no driver are involved.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakePlatform {
  bool keysDown[kKeyCount] = {};
  std::uint32_t milliseconds = 0;
  std::vector<std::string> messageBoxes;
  std::vector<std::uint32_t> sleeps;
  std::uint64_t swaps = 0;
  std::uint64_t polls = 0;
  std::map<std::string, int> glCalls;  // entry point name -> calls through the stub
  bool nextCompileFails = false;       // the next glGetShaderiv(COMPILE_STATUS) reports failure
  std::string compileLog = "0:1(1): error: syntax error";
};

// The fake's state; reset it at the start of each test.
FakePlatform& fakePlatform();
void resetFakePlatform();
