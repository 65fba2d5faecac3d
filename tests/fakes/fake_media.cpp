// A media graph that plays nothing: it records calls and answers from the test's script.
#include "fakes/fake_media.h"

#include <string>

struct MediaGraph {};
struct MediaControl {};
struct MediaSeeking {};
struct MediaAudio {};

namespace {
FakeMedia state;
MediaGraph graph;
MediaControl control;
MediaSeeking seeking;
MediaAudio audio;

void record(std::string call) { state.calls.push_back(std::move(call)); }
}  // namespace

FakeMedia& fakeMedia() { return state; }
void resetFakeMedia() { state = FakeMedia{}; }

MediaGraph* mediaCreateGraph() {
  ++state.liveReferences;
  return &graph;
}
MediaControl* mediaQueryControl(MediaGraph*) {
  ++state.liveReferences;
  return &control;
}
MediaSeeking* mediaQuerySeeking(MediaGraph*) {
  ++state.liveReferences;
  return &seeking;
}
MediaAudio* mediaQueryAudio(MediaGraph*) {
  ++state.liveReferences;
  return &audio;
}
void mediaRelease(MediaGraph*) { --state.liveReferences; record("release graph"); }
void mediaRelease(MediaControl*) { --state.liveReferences; record("release control"); }
void mediaRelease(MediaSeeking*) { --state.liveReferences; record("release seeking"); }
void mediaRelease(MediaAudio*) { --state.liveReferences; record("release audio"); }

MediaResult mediaRenderFile(MediaGraph*, const char*) {
  record("render");
  return state.renderResult;
}
MediaResult mediaRun(MediaControl*) {
  record("run");
  state.running = true;
  return kMediaOk;
}
MediaResult mediaStop(MediaControl*) {
  record("stop");
  state.running = false;
  return kMediaOk;
}
MediaResult mediaWaitForState(MediaControl*) {
  record("wait");
  return kMediaOk;
}
MediaResult mediaSetTimeFormatMediaTime(MediaSeeking*) { return kMediaOk; }
MediaResult mediaGetDuration(MediaSeeking*, std::int64_t* duration) {
  *duration = state.duration;
  return kMediaOk;
}
MediaResult mediaGetCurrentPosition(MediaSeeking*, std::int64_t* position) {
  if (!state.positionScript.empty()) {
    state.position = state.positionScript.front();
    state.positionScript.pop_front();
  }
  *position = state.position;
  return kMediaOk;
}
MediaResult mediaSetCurrentPosition(MediaSeeking*, std::int64_t position) {
  record("seek " + std::to_string(position));
  state.position = position;
  return kMediaOk;
}
MediaResult mediaPutVolume(MediaAudio*, long volume) {
  record("volume " + std::to_string(volume));
  if (volume < -10000 || volume > 0) return kMediaInvalidArg;
  state.volume = volume;
  return kMediaOk;
}
