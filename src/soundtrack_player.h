// SoundtrackPlayer: plays the soundtrack through the media layer and serves as the demo's only
// clock. Positions and lengths are in seconds.
#pragma once

#include "platform/media.h"

// The soundtrack the demo plays, from its working directory.
inline constexpr char kSoundtrackFile[] = "brimvale-tarnel.wav";

class SoundtrackPlayer {
 public:
  SoundtrackPlayer() = default;
  explicit SoundtrackPlayer(const char* fileName) { open(fileName); }

  // Builds the graph for the file (a UTF-8 name), reads its length and leaves it stopped at 0. Prints one line
  // to standard output saying whether the file could be rendered, and returns the media result.
  MediaResult open(const char* fileName);
  int play();
  int stop();
  int toggle();
  int seek(double seconds);  // clamped to [0, length]; keeps the playing state
  double position();
  double lengthSeconds() const { return duration; }
  bool isBeforeEnd();
  void release();
  // The graph itself, for benchmarks that measure it against the audio output.
  MediaGraph* mediaGraph() const { return graph; }

 private:
  double duration = 0;
  bool playing = false;
  MediaGraph* graph = nullptr;
};
