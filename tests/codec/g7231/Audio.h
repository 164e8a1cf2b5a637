// Test helpers: speech fixtures, raw sample files, the external peer codec and quality
// measures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace g7231test {

using Samples = std::vector<std::int16_t>;
using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the system's temporary directory, removed by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

// Runs a command line through the shell; returns its exit status (-1 when it did not run).
int Run(const std::string& command);

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const void* data, std::size_t size);
Samples ReadSamples(const std::string& path);
void WriteSamples(const std::string& path, const Samples& s);

// A spoken sentence as 8 kHz mono 16-bit samples, made once per process with espeak-ng and
// sox; empty when those programs fail.
const Samples& Speech();

// The peer codec (ffmpeg as a program) on raw frame streams.
bool PeerDecode(const std::string& dir, const Bytes& stream, bool postfilter, Samples* out);
bool PeerEncode(const std::string& dir, const Samples& in, Bytes* stream);

// Our own codec over whole streams (fresh state each call).
Bytes EncodeAll(const Samples& in, bool rate53);
Samples DecodeAll(const Bytes& stream);

// Frame types (the two low bits of each first byte) of a stream.
std::vector<int> FrameTypes(const Bytes& stream);

// Segmental SNR in dB over 240-sample frames whose input level is above a speech floor,
// after aligning the output by the delay (0..200 samples) that maximises it.
double SegmentalSnr(const Samples& ref, const Samples& out, int* delay = nullptr);
// RMS level in dB relative to full scale over [begin, end).
double LevelDb(const Samples& s, std::size_t begin, std::size_t end);

}  // namespace g7231test
