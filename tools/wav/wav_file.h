// RIFF WAVE files: writes 16-bit integer PCM or 32-bit float at any rate and channel count, and
// reads the length of any WAVE file from its header.
#pragma once

#include <cstdint>
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

enum class WavLength { Read, NotWav, Broken };

// The length of a RIFF WAVE file from its header: whole sample frames over the rate, in
// microseconds (truncated). Exact, and needs no decoder or audio device. A data chunk that claims
// more than the file holds counts what is there. NotWav for a file that cannot be opened or is
// not RIFF WAVE; Broken for one without a readable format or data chunk.
WavLength readWavLength(const std::string& path, std::int64_t& lengthMicroseconds);
