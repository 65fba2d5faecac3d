#include "soundtrack_synth.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPhasePerHz = 4294967296.0 / kSoundtrackRate;  // phase steps per sample per hertz
constexpr int kSamplesPerBeat = 25200;                            // 105 beats per minute
constexpr int kSamplesPerEighth = kSamplesPerBeat / 2;
constexpr int kSamplesPerSixteenth = kSamplesPerBeat / 4;
constexpr int kSamplesPerBar = kSamplesPerBeat * 4;
constexpr int kEchoSamples = 3 * kSamplesPerSixteenth;

// 2^(k/12): equal-tempered semitones within an octave, written out so that no pow() is needed.
constexpr double kSemitone[12] = {1.0,
                                  1.0594630943592953,
                                  1.122462048309373,
                                  1.189207115002721,
                                  1.2599210498948732,
                                  1.3348398541700344,
                                  1.4142135623730951,
                                  1.4983070768766815,
                                  1.5874010519681994,
                                  1.681792830507429,
                                  1.7817974362806785,
                                  1.8877486253633868};

double noteHz(int midi) {
  const int fromA = midi - 69 + 120;  // kept positive for the division
  double hz = 440.0 * kSemitone[fromA % 12];
  for (int octave = fromA / 12; octave < 10; ++octave) hz *= 0.5;
  for (int octave = 10; octave < fromA / 12; ++octave) hz *= 2.0;
  return hz;
}

// Am7, Fmaj7, C add 9 over G, Em7 over G; one bar each.
constexpr int kChords[4][4] = {{57, 60, 64, 67}, {53, 57, 60, 64}, {55, 60, 62, 64}, {55, 59, 62, 64}};
constexpr int kBassRoots[4] = {45, 41, 48, 43};
constexpr int kArpPattern[8] = {0, 1, 2, 3, 2, 3, 1, 2};

double smoothStep(double from, double to, double t) {
  const double x = std::clamp((t - from) / (to - from), 0.0, 1.0);
  return x * x * (3.0 - 2.0 * x);
}

// The smoothing coefficient of a one-pole low-pass at cutoff hertz (w / (1 + w), no exp()).
double onePole(double cutoffHz) {
  const double w = 2.0 * kPi * cutoffHz / kSoundtrackRate;
  return w / (1.0 + w);
}

struct Oscillator {
  std::uint32_t phase = 0;
  std::uint32_t step = 0;

  void setHz(double hz) { step = static_cast<std::uint32_t>(hz * kPhasePerHz); }
  double position() const { return phase * (1.0 / 4294967296.0); }
  double increment() const { return step * (1.0 / 4294967296.0); }
  void advance() { phase += step; }
};

// Softens the jump of a saw or pulse edge over one sample on either side (poly-BLEP), which keeps
// the high partials from folding back as audible whistles.
double blep(double t, double dt) {
  if (t < dt) {
    const double x = t / dt;
    return x + x - x * x - 1.0;
  }
  if (t > 1.0 - dt) {
    const double x = (t - 1.0) / dt;
    return x * x + x + x + 1.0;
  }
  return 0.0;
}

double saw(const Oscillator& o) {
  const double t = o.position();
  return 2.0 * t - 1.0 - blep(t, o.increment());
}

double pulse(const Oscillator& o, double width) {
  const double t = o.position();
  const double dt = o.increment();
  double shifted = t + 1.0 - width;
  if (shifted >= 1.0) shifted -= 1.0;
  return (t < width ? 1.0 : -1.0) + blep(t, dt) - blep(shifted, dt);
}

double triangle(const Oscillator& o) {
  const double t = o.position();
  return t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t;
}

struct LowPass {
  double a = 0;
  double b = 0;
  double run(double x, double k) {
    a += (x - a) * k;
    b += (a - b) * k;
    return b;
  }
};

// Keeps peaks under full scale with a gentle knee: x - 4x^3/27 on [-1.5, 1.5] reaches 1 there.
double softClip(double x) {
  const double c = std::clamp(x, -1.5, 1.5);
  return c - 4.0 * c * c * c / 27.0;
}

}  // namespace

WavFormat soundtrackFormat() {
  WavFormat format;
  format.sampleRate = kSoundtrackRate;
  format.channels = 2;
  format.sampleFormat = WavSampleFormat::Pcm16;
  return format;
}

std::vector<float> synthesizeSoundtrack() {
  const int frames = kSoundtrackRate * kSoundtrackSeconds;
  std::vector<float> out(static_cast<std::size_t>(frames) * 2);

  Oscillator pad[4][2];
  double padHz[4];
  for (int v = 0; v < 4; ++v) padHz[v] = noteHz(kChords[0][v]);
  LowPass padFilter[2];
  Oscillator bass;
  Oscillator arp;
  LowPass bassFilter;
  Oscillator swell;  // slow triangle moving the pad's cutoff and the bass's pulse width
  swell.setHz(0.11);
  double bassEnvelope = 0;
  double arpEnvelope = 0;
  double hatEnvelope = 0;
  std::uint32_t noise = 0x9E3779B9u;
  LowPass hatFilter;
  std::vector<double> echo[2] = {std::vector<double>(kEchoSamples), std::vector<double>(kEchoSamples)};

  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kSoundtrackRate;
    const int chord = (i / kSamplesPerBar) % 4;
    const bool eighthStarts = i % kSamplesPerEighth == 0;
    const int eighth = i / kSamplesPerEighth;

    const double rise = std::clamp(t / 14.0, 0.0, 1.0);
    const double padLevel = rise * (2.0 - rise);
    const double bassLevel = smoothStep(4.0, 14.0, t);
    const double full = smoothStep(39.0, 41.0, t);
    const double fall = 1.0 - smoothStep(50.0, kSoundtrackSilentFrom, t);
    const double master = t < kSoundtrackSilentFrom ? fall : 0.0;
    const double lfo = triangle(swell);

    // Pad: each voice glides to its note of the chord; two saws a few cents apart, one per side.
    double left = 0;
    double right = 0;
    for (int v = 0; v < 4; ++v) {
      padHz[v] += (noteHz(kChords[chord][v]) - padHz[v]) * 0.0004;
      pad[v][0].setHz(padHz[v] * 0.9975);
      pad[v][1].setHz(padHz[v] * 1.0025);
      const double spread = 0.35 + 0.1 * v;
      const double a = saw(pad[v][0]);
      const double b = saw(pad[v][1]);
      left += a * spread + b * (1.0 - spread);
      right += b * spread + a * (1.0 - spread);
      pad[v][0].advance();
      pad[v][1].advance();
    }
    const double cutoff = (250.0 + 2200.0 * rise + 1800.0 * full) * (1.0 - 0.75 * (1.0 - fall)) * (1.0 + 0.2 * lfo);
    const double padK = onePole(cutoff);
    left = padFilter[0].run(left, padK) * 0.09 * padLevel;
    right = padFilter[1].run(right, padK) * 0.09 * padLevel;

    // Bass: a pulse wave in eighths on the chord's root, plucked by its own envelope.
    if (eighthStarts) {
      bass.setHz(noteHz(kBassRoots[chord]));
      bassEnvelope = eighth % 2 == 0 ? 1.0 : 0.6;
    }
    const double attack = std::min(1.0, (i % kSamplesPerEighth) / 64.0);
    const double bassTone = bassFilter.run(pulse(bass, 0.35 + 0.12 * lfo), onePole(150.0 + 1600.0 * bassEnvelope));
    const double bassOut = bassTone * bassEnvelope * attack * 0.32 * bassLevel;
    bass.advance();
    bassEnvelope *= 0.99985;
    left += bassOut;
    right += bassOut;

    // From 40 s: an arpeggio over the chord an octave up, echoed from side to side, and hats.
    if (i % kSamplesPerSixteenth == 0) {
      arp.setHz(noteHz(kChords[chord][kArpPattern[(i / kSamplesPerSixteenth) % 8] % 4] + 12));
      arpEnvelope = 1.0;
    }
    const double arpOut = triangle(arp) * arpEnvelope * std::min(1.0, (i % kSamplesPerSixteenth) / 32.0) * 0.35 * full;
    arp.advance();
    arpEnvelope *= 0.9997;
    const int at = i % kEchoSamples;
    const double echoLeft = echo[0][static_cast<std::size_t>(at)];
    const double echoRight = echo[1][static_cast<std::size_t>(at)];
    echo[0][static_cast<std::size_t>(at)] = arpOut + echoRight * 0.4;
    echo[1][static_cast<std::size_t>(at)] = echoLeft * 0.4;
    left += arpOut * 0.8 + echoLeft * 0.5;
    right += arpOut * 0.5 + echoRight * 0.8;

    if (eighthStarts && eighth % 2 == 1) hatEnvelope = 1.0;
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    const double white = noise * (2.0 / 4294967296.0) - 1.0;
    const double hat = (white - hatFilter.run(white, onePole(6000.0))) * hatEnvelope * 0.14 * full;
    hatEnvelope *= 0.9990;
    left += hat * 0.8;
    right += hat;

    swell.advance();
    out[static_cast<std::size_t>(i) * 2] = static_cast<float>(softClip(left * master));
    out[static_cast<std::size_t>(i) * 2 + 1] = static_cast<float>(softClip(right * master));
  }
  return out;
}
