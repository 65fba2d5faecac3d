// Writes RIFF WAVE files: 16-bit integer PCM or 32-bit float, any rate and channel count.
#pragma once

#include <string>
#include <vector>

enum class WavSampleFormat { Pcm16, Float32 };

struct WavFormat {
  int sampleRate = 44100;
  int channels = 2;
  WavSampleFormat sampleFormat = WavSampleFormat::Pcm16;
};

// samples are interleaved frames in [-1, 1]; values outside are clamped for 16-bit output.
// Returns false (and writes nothing useful) when the file cannot be written.
bool writeWav(const std::string& path, const WavFormat& format, const std::vector<float>& samples);

// The bytes of such a file, for callers that check or hash them.
std::vector<unsigned char> encodeWav(const WavFormat& format, const std::vector<float>& samples);
