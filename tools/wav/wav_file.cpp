#include "wav_file.h"

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

std::uint32_t littleEndian(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
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

WavLength readWavLength(const std::string& path, std::int64_t& lengthMicroseconds) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return WavLength::NotWav;
  unsigned char header[12];
  if (std::fread(header, 1, 12, in) != 12 || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
    std::fclose(in);
    return WavLength::NotWav;
  }
  std::uint32_t rate = 0;
  std::uint32_t blockAlign = 0;
  unsigned char chunk[8];
  while (std::fread(chunk, 1, 8, in) == 8) {
    const std::uint32_t size = littleEndian(chunk + 4, 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
      unsigned char format[16];
      if (std::fread(format, 1, 16, in) != 16) break;
      rate = littleEndian(format + 4, 4);
      blockAlign = littleEndian(format + 12, 2);
      if (std::fseek(in, static_cast<long>(size - 16 + (size & 1)), SEEK_CUR) != 0) break;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      // A data chunk that claims more than the file holds (a stream cut short) counts what is there.
      const long start = std::ftell(in);
      std::fseek(in, 0, SEEK_END);
      const auto present = static_cast<std::uint64_t>(std::ftell(in) - start);
      std::fclose(in);
      if (rate == 0 || blockAlign == 0) return WavLength::Broken;
      const std::uint64_t frames = std::min<std::uint64_t>(size, present) / blockAlign;
      lengthMicroseconds = static_cast<std::int64_t>(frames * 1000000 / rate);
      return WavLength::Read;
    } else if (std::fseek(in, static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
      break;
    }
  }
  std::fclose(in);
  return WavLength::Broken;
}
