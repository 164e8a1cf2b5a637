// Reading and writing RIFF/WAVE files of 16-bit linear PCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WavAudio {
  unsigned channels = 1;
  unsigned sampleRate = 8000;
  std::vector<int16_t> samples;  // interleaved
};

// Reads `path`; on failure returns false and says why in `error` (no audio is returned).
// Only uncompressed 16-bit PCM is accepted; files larger than `maxBytes` are refused.
bool ReadWavFile(const std::string& path, WavAudio& audio, std::string& error,
                 uint64_t maxBytes = 64u << 20);
// Parses WAV bytes already in memory.
bool ParseWav(const std::vector<uint8_t>& bytes, WavAudio& audio, std::string& error);
// Encodes audio as a canonical 44-byte-header WAV file.
std::vector<uint8_t> EncodeWav(const WavAudio& audio);
