// The editing build's work before each frame: Ctrl+S reloads the shaders from the source tree, and
// keys move the soundtrack, which is the picture's clock.
//
//   Space  play / pause        Left, Right  5 s back / forward (clamped)        Home  to 0 s
//
// A transport key acts once per press: holding it does not repeat. When playback reaches the end
// of the soundtrack it pauses there, so the last frame can be looked at and the soundtrack
// scrubbed back. Depends on the platform layer's keys and on SoundtrackPlayer.
#pragma once

#include "pipeline.h"
#include "soundtrack_player.h"

inline constexpr double kSeekStepSeconds = 5.0;

// What the transport remembers between frames.
struct Transport {
  bool wasDown[4] = {};   // Space, Left, Right, Home as seen at the previous frame
  bool wasAtEnd = false;  // the position had reached the length at the previous frame
};

// Acts on the transport keys pressed since the previous frame, then pauses the player on the
// frame where the position first reaches the length.
void applyTransport(Transport& transport, SoundtrackPlayer& player);

// Everything the editing build does before a frame: shader reload, then the transport.
void editFrame(Transport& transport, Pipeline& pipeline, SoundtrackPlayer& player);
