// A stand-in sound card for the mixer tests: the control plugin built beside these tests,
// announced through ALSA_CONFIG_PATH together with the test sound devices (AlsaFixture),
// so nothing on the system is touched.  The playback devices "varlo_out_a" and
// "varlo_out_b" each get a mixer of the same name with "Master" (0..87) and "Capture"
// (0..63); "varlo_mix_<max>" are mixers whose two volumes run 0..max (31, 87, 100,
// 65536); "varlo_mix_pcm" names its volumes "PCM" and "Mic"; "varlo_mix_none" has none, and
// so has the mixer of the playback device "varlo_out_novol".
// Get() must come before anything else in the process touches ALSA.
#pragma once
#include <string>

#include "AlsaFixture.h"

class MixerFixture {
 public:
  static MixerFixture& Get();

  AlsaFixture& Alsa() const { return AlsaFixture::Get(); }
  // Puts a mixer's volumes straight into its state, as another program would.
  void SetRaw(const std::string& mixer, long playback, long capture) const;
  // Runs amixer in another process on `mixer`: "sset <control> <value>".  True on success.
  bool Amixer(const std::string& mixer, const std::string& control, long value) const;
  // The raw values of a mixer's volumes as amixer reports them (-1 when missing).
  long AmixerRaw(const std::string& mixer, const std::string& control) const;

 private:
  MixerFixture();
  std::string StateFile(const std::string& mixer) const;
  std::string m_dir;
};
