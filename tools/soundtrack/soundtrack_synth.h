// The demo's own soundtrack, synthesised: a detuned saw pad over a four-chord loop, a pulse-wave
// bass in eighths, and from 40 s an arpeggio with a ping-pong echo and off-beat hats. It rises
// through the fade in to 14 s, is fullest from 40 s, falls away from 50 s and is silent by 59 s.
//
// Deterministic to the bit: one thread, integer phases and timing, and no library maths (no sin,
// exp or pow), only IEEE additions and multiplications in a fixed order.
#pragma once

#include <vector>

#include "wav_file.h"

inline constexpr int kSoundtrackRate = 44100;
inline constexpr int kSoundtrackSeconds = 60;
inline constexpr double kSoundtrackSilentFrom = 59.0;  // seconds

WavFormat soundtrackFormat();

// Interleaved stereo samples in [-1, 1], kSoundtrackSeconds long.
std::vector<float> synthesizeSoundtrack();
