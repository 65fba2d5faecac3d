#include "soundtrack_player.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr auto kUnitsPerSecond = static_cast<double>(kMediaUnitsPerSecond);
// Asks for a level below the media layer's range: the layer refuses it and the soundtrack keeps
// playing at full volume.
constexpr long kVolumeRequest = -90000;
}  // namespace

MediaResult SoundtrackPlayer::open(const char* fileName) {
  release();  // a second open replaces the graph rather than leaving the first one playing
  playing = false;
  graph = mediaCreateGraph();
  mediaPutVolume(graph, kVolumeRequest);

  const MediaResult rendered = mediaRenderFile(graph, fileName);
  std::fputs(rendered == kMediaOk ? "Song succesfully rendered!\n" : "mp3 rendering failed :(\n", stdout);
  std::fflush(stdout);

  std::int64_t length = 0;
  mediaGetLength(graph, &length);
  duration = static_cast<double>(length) / kUnitsPerSecond;
  mediaSetPosition(graph, 0);
  stop();
  return rendered;
}

int SoundtrackPlayer::play() {
  mediaRun(graph);
  playing = true;
  return 0;
}

int SoundtrackPlayer::stop() {
  mediaStop(graph);
  playing = false;
  return 0;
}

int SoundtrackPlayer::toggle() {
  playing = !playing;
  return playing ? play() : stop();
}

int SoundtrackPlayer::seek(double seconds) {
  const double s = std::max(0.0, std::min(duration, seconds));
  const auto units = static_cast<std::int64_t>(s * kUnitsPerSecond);
  if (playing) mediaStop(graph);
  mediaSetPosition(graph, units);
  if (playing) mediaRun(graph);
  return 0;
}

double SoundtrackPlayer::position() {
  std::int64_t units = 0;
  mediaGetPosition(graph, &units);
  return static_cast<double>(units) / kUnitsPerSecond;
}

bool SoundtrackPlayer::isBeforeEnd() {
  mediaWaitForState(graph);
  std::int64_t length = 0;
  std::int64_t current = 0;
  mediaGetLength(graph, &length);
  mediaGetPosition(graph, &current);
  return current < length;
}

void SoundtrackPlayer::release() {
  mediaDestroyGraph(graph);
  graph = nullptr;
}
