// ALSA devices for tests that need no sound card: capture devices that read raw 16-bit
// mono files and playback devices that write them (ALSA "file" PCMs on the "null"
// slave).  The configuration is written to a private temporary directory and announced
// through ALSA_CONFIG_PATH the first time Get() is called, which must happen before
// anything else in the process touches ALSA.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class AlsaFixture {
 public:
  // Capture devices "varlo_in_a" and "varlo_in_b", playback devices "varlo_out_a" and
  // "varlo_out_b"; "default" records from the first capture device and plays to the
  // first playback device.
  static AlsaFixture& Get();

  const std::string& Directory() const { return m_dir; }
  // What a capture device will deliver from its next open on.  Past the end of the file
  // ALSA repeats stale data, so give it at least as much as the test will read.
  void SetCapture(const std::string& device, const std::vector<int16_t>& samples) const;
  // What a playback device has written since it was last opened.
  std::vector<int16_t> Played(const std::string& device) const;
  // Empties a playback device's file.
  void ClearPlayed(const std::string& device) const;

  std::string CaptureFile(const std::string& device) const;
  std::string PlaybackFile(const std::string& device) const;

 private:
  AlsaFixture();
  ~AlsaFixture();
  std::string m_dir;
};
