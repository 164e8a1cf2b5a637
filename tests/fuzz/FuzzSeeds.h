// The seed corpus of a fuzz target is made by the target itself, from messages the
// program builds: run with VARLO_FUZZ_SEEDS=<dir>, it writes its seeds there and exits.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<uint8_t>;

// Call from LLVMFuzzerInitialize with the target's seeds.
inline void WriteSeedsWhenAsked(const std::vector<Bytes>& seeds) {
  const char* dir = std::getenv("VARLO_FUZZ_SEEDS");
  if (dir == nullptr || *dir == '\0') return;
  for (size_t i = 0; i < seeds.size(); ++i) {
    const std::string path = std::string(dir) + "/seed" + std::to_string(i);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::exit(1);
    if (!seeds[i].empty()) std::fwrite(seeds[i].data(), 1, seeds[i].size(), f);
    std::fclose(f);
  }
  std::exit(0);
}

// Splits an input into pieces: each piece is preceded by one length byte (a piece runs to
// the end of the input when fewer bytes are left).
class Pieces {
 public:
  Pieces(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Next(Bytes& piece) {
    if (m_pos >= m_size) return false;
    size_t length = m_data[m_pos++];
    if (length > m_size - m_pos) length = m_size - m_pos;
    piece.assign(m_data + m_pos, m_data + m_pos + length);
    m_pos += length;
    return true;
  }
  // Appends a piece to an input being built as a seed (at most 255 bytes a piece).
  static void Append(Bytes& input, const Bytes& piece) {
    input.push_back(static_cast<uint8_t>(piece.size()));
    input.insert(input.end(), piece.begin(), piece.begin() + std::min<size_t>(piece.size(), 255));
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

}  // namespace fuzz
