#include <gtest/gtest.h>
#include "codec/g7231/G7231Encoder.h"
#include "codec/g7231/G7231Decoder.h"
TEST(Smoke, Runs) {
  g7231::G7231Encoder e; g7231::G7231Decoder d;
  std::int16_t s[240]; std::uint8_t f[24]; std::int16_t o[240];
  for (int n = 0; n < 20; ++n) { for (int i = 0; i < 240; ++i) s[i] = (std::int16_t)(3000 * ((i * 7 + n) % 50 - 25) / 25); 
    auto len = e.Encode(s, f); d.Decode(f, len, o); }
}
