// Test control over the fake media layer (fake_media.cpp): one scripted graph that records the
// calls made on it and reports the length and positions the test sets.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/media.h"

struct FakeMedia {
  MediaResult renderResult = kMediaOk;
  std::int64_t duration = 0;       // media time units
  std::int64_t position = 0;       // what the next position query reports when no script is left
  std::deque<std::int64_t> positionScript;  // consumed one per position query, before `position`
  bool running = false;
  long volume = 0;                 // last accepted volume
  std::vector<std::string> calls;  // "run", "stop", "seek <units>", "volume <v>", "render", ...
  int liveGraphs = 0;              // created and not yet destroyed
};

FakeMedia& fakeMedia();
void resetFakeMedia();
