#include "wav_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

void put(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void putTag(std::vector<unsigned char>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

}  // namespace

std::vector<unsigned char> encodeWav(const WavFormat& format, const std::vector<float>& samples) {
  const bool isFloat = format.sampleFormat == WavSampleFormat::Float32;
  const std::uint32_t bytesPerSample = isFloat ? 4 : 2;
  const auto channels = static_cast<std::uint32_t>(format.channels);
  const auto rate = static_cast<std::uint32_t>(format.sampleRate);
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * bytesPerSample);

  std::vector<unsigned char> out;
  out.reserve(44 + dataBytes);
  putTag(out, "RIFF");
  put(out, 36 + dataBytes, 4);
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put(out, 16, 4);
  put(out, isFloat ? 3 : 1, 2);  // WAVE_FORMAT_IEEE_FLOAT or WAVE_FORMAT_PCM
  put(out, channels, 2);
  put(out, rate, 4);
  put(out, rate * channels * bytesPerSample, 4);
  put(out, channels * bytesPerSample, 2);
  put(out, bytesPerSample * 8, 2);
  putTag(out, "data");
  put(out, dataBytes, 4);
  for (float sample : samples) {
    if (isFloat) {
      std::uint32_t bits = 0;
      std::memcpy(&bits, &sample, sizeof bits);
      put(out, bits, 4);
    } else {
      const float clamped = std::clamp(sample, -1.0f, 1.0f);
      const auto value = static_cast<std::int16_t>(std::lround(clamped * 32767.0f));
      put(out, static_cast<std::uint16_t>(value), 2);
    }
  }
  return out;
}

bool writeWav(const std::string& path, const WavFormat& format, const std::vector<float>& samples) {
  const std::vector<unsigned char> bytes = encodeWav(format, samples);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file.flush());
}
