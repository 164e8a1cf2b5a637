// The pseudo-random generator the service's arithmetic is written for: values 0 to 32767
// (a 15-bit generator), seeded like the C runtime's srand.  glibc's rand() is 31-bit, so
// the relay token and port arithmetic keep their own generator.
#pragma once

#include <cstdint>

class CRandom15 {
 public:
  static constexpr int kMax = 32767;

  explicit CRandom15(uint32_t seed = 1) : m_state(seed) {}
  void Seed(uint32_t seed) { m_state = seed; }
  // The next value, 0 to kMax.
  int Next() {
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFF);
  }

 private:
  uint32_t m_state;
};
