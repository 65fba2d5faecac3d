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
  MediaGraph* builder = mediaCreateGraph();
  control = mediaQueryControl(builder);
  seeking = mediaQuerySeeking(builder);
  audio = mediaQueryAudio(builder);
  mediaPutVolume(audio, kVolumeRequest);

  const MediaResult rendered = mediaRenderFile(builder, fileName);
  std::fputs(rendered == kMediaOk ? "Song succesfully rendered!\n" : "mp3 rendering failed :(\n", stdout);
  std::fflush(stdout);
  mediaRelease(builder);

  mediaSetTimeFormatMediaTime(seeking);
  std::int64_t length = 0;
  mediaGetDuration(seeking, &length);
  duration = static_cast<double>(length) / kUnitsPerSecond;
  mediaSetCurrentPosition(seeking, 0);
  stop();
  return rendered;
}

int SoundtrackPlayer::play() {
  mediaRun(control);
  playing = true;
  return 0;
}

int SoundtrackPlayer::stop() {
  mediaStop(control);
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
  if (playing) mediaStop(control);
  mediaSetCurrentPosition(seeking, units);
  if (playing) mediaRun(control);
  return 0;
}

double SoundtrackPlayer::position() {
  std::int64_t units = 0;
  mediaGetCurrentPosition(seeking, &units);
  return static_cast<double>(units) / kUnitsPerSecond;
}

bool SoundtrackPlayer::isBeforeEnd() {
  mediaWaitForState(control);
  std::int64_t length = 0;
  std::int64_t current = 0;
  mediaGetDuration(seeking, &length);
  mediaGetCurrentPosition(seeking, &current);
  return current < length;
}

void SoundtrackPlayer::release() {
  if (audio) mediaRelease(audio);
  if (control) mediaRelease(control);
  if (seeking) mediaRelease(seeking);
  audio = nullptr;
  control = nullptr;
  seeking = nullptr;
}
