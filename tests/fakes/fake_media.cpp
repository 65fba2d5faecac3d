// A media graph that plays nothing: it records calls and answers from the test's script.
#include "fakes/fake_media.h"

#include <string>

struct MediaGraph {};

namespace {
FakeMedia state;
MediaGraph graph;

void record(std::string call) { state.calls.push_back(std::move(call)); }
}  // namespace

FakeMedia& fakeMedia() { return state; }
void resetFakeMedia() { state = FakeMedia{}; }

MediaGraph* mediaCreateGraph() {
  ++state.liveGraphs;
  return &graph;
}
void mediaDestroyGraph(MediaGraph* destroyed) {
  if (!destroyed) return;
  --state.liveGraphs;
  record("destroy");
}

MediaResult mediaRenderFile(MediaGraph*, const char*) {
  record("render");
  return state.renderResult;
}
MediaResult mediaRun(MediaGraph*) {
  record("run");
  state.running = true;
  return kMediaOk;
}
MediaResult mediaStop(MediaGraph*) {
  record("stop");
  state.running = false;
  return kMediaOk;
}
MediaResult mediaWaitForState(MediaGraph*) {
  record("wait");
  return kMediaOk;
}
MediaResult mediaGetLength(MediaGraph*, std::int64_t* length) {
  *length = state.duration;
  return kMediaOk;
}
MediaResult mediaGetPosition(MediaGraph*, std::int64_t* position) {
  if (!state.positionScript.empty()) {
    state.position = state.positionScript.front();
    state.positionScript.pop_front();
  }
  *position = state.position;
  return kMediaOk;
}
MediaResult mediaSetPosition(MediaGraph*, std::int64_t position) {
  record("seek " + std::to_string(position));
  state.position = position;
  return kMediaOk;
}
MediaResult mediaPutVolume(MediaGraph*, long volume) {
  record("volume " + std::to_string(volume));
  if (volume < -10000 || volume > 0) return kMediaInvalidArg;
  state.volume = volume;
  return kMediaOk;
}
