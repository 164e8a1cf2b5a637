// Test signals and their measurement: tones, noise, frequency by zero crossings and level.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace signals {

inline std::vector<int16_t> Tone(double hz, double amplitude, size_t count, unsigned rate = 8000) {
  std::vector<int16_t> s(count);
  for (size_t i = 0; i < count; ++i)
    s[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate)));
  return s;
}

// Deterministic pseudo-random noise of roughly the given peak amplitude.
inline std::vector<int16_t> Noise(int amplitude, size_t count, uint32_t seed = 1) {
  std::vector<int16_t> s(count);
  for (size_t i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<int16_t>(static_cast<int>((seed >> 16) % (2u * amplitude + 1)) - amplitude);
  }
  return s;
}

inline std::vector<int16_t> Concat(std::vector<int16_t> a, const std::vector<int16_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Frequency from the number of rising zero crossings.
inline double ZeroCrossingHz(const int16_t* s, size_t count, unsigned rate = 8000) {
  size_t crossings = 0;
  for (size_t i = 1; i < count; ++i)
    if (s[i - 1] < 0 && s[i] >= 0) ++crossings;
  return count > 1 ? static_cast<double>(crossings) * rate / static_cast<double>(count - 1) : 0.0;
}

// Frequency from the spacing of rising zero crossings (interpolated between samples),
// leaving out the spans that contain a dropout, so a short gap does not bias it.
inline double CrossingIntervalHz(const int16_t* s, size_t count, unsigned rate = 8000) {
  std::vector<double> crossings;
  for (size_t i = 1; i < count; ++i) {
    if (s[i - 1] < 0 && s[i] >= 0)
      crossings.push_back(static_cast<double>(i - 1) + static_cast<double>(-s[i - 1]) / (s[i] - s[i - 1]));
  }
  if (crossings.size() < 3) return 0.0;
  std::vector<double> spans;
  for (size_t i = 1; i < crossings.size(); ++i) spans.push_back(crossings[i] - crossings[i - 1]);
  std::vector<double> sorted = spans;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const double median = sorted[sorted.size() / 2];
  double sum = 0;
  size_t kept = 0;
  for (double d : spans) {
    if (d > 0.5 * median && d < 1.5 * median) {
      sum += d;
      ++kept;
    }
  }
  return kept ? rate * static_cast<double>(kept) / sum : 0.0;
}

// Share of the samples that lie in silent runs (|s| below `quiet` for at least `minRun`
// samples): dropouts in what should be a continuous tone.
inline double DropoutShare(const int16_t* s, size_t count, int quiet = 64, size_t minRun = 16) {
  size_t silent = 0, run = 0;
  for (size_t i = 0; i <= count; ++i) {
    if (i < count && std::abs(static_cast<int>(s[i])) < quiet) {
      ++run;
      continue;
    }
    if (run >= minRun) silent += run;
    run = 0;
  }
  return count ? static_cast<double>(silent) / static_cast<double>(count) : 0.0;
}

// Root mean square amplitude.
inline double Rms(const int16_t* s, size_t count) {
  double sum = 0;
  for (size_t i = 0; i < count; ++i) sum += static_cast<double>(s[i]) * s[i];
  return count ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
}

// Relative power at `hz` (Goertzel), as a fraction of the signal's total power.
inline double ToneShare(const int16_t* s, size_t count, double hz, unsigned rate = 8000) {
  const double w = 2 * M_PI * hz / rate;
  const double coeff = 2 * std::cos(w);
  double q1 = 0, q2 = 0, total = 0;
  for (size_t i = 0; i < count; ++i) {
    const double q0 = coeff * q1 - q2 + s[i];
    q2 = q1;
    q1 = q0;
    total += static_cast<double>(s[i]) * s[i];
  }
  const double power = q1 * q1 + q2 * q2 - coeff * q1 * q2;
  return total > 0 ? 2 * power / (static_cast<double>(count) * total) : 0.0;
}

}  // namespace signals
