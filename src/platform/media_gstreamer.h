// What the GStreamer backend can tell beyond media.h, for tests and benchmarks on Linux that
// measure the soundtrack clock against the audio output.
#pragma once

#include <cstdint>

#include "platform/media.h"

// The position of the audio that the output reports as played, read off the clock that the audio
// sink keeps (on PulseAudio, the server's count of what it has played), apart from the position
// query that the player uses. Valid while playing or paused after the render or a seek, never
// outside [0, length]. kMediaNotReady without a rendered file; kMediaNoPlayback when the sink keeps
// no clock of its own (the silent fallback).
MediaResult mediaGetPlayedPosition(MediaGraph* graph, std::int64_t* position);
