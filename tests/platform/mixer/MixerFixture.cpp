#include "MixerFixture.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>

namespace {

struct Card {
  const char* name;
  long playbackMax;
  long captureMax;
  const char* playbackName;
  const char* captureName;
};

const Card kCards[] = {
    {"varlo_out_a", 87, 63, "Master", "Capture"}, {"varlo_out_b", 87, 63, "Master", "Capture"},
    {"varlo_mix_31", 31, 31, "Master", "Capture"}, {"varlo_mix_87", 87, 87, "Master", "Capture"},
    {"varlo_mix_100", 100, 100, "Master", "Capture"}, {"varlo_mix_65536", 65536, 65536, "Master", "Capture"},
    {"varlo_mix_pcm", 87, 63, "PCM", "Mic"},          {"varlo_mix_none", 87, 63, "", ""},
    {"varlo_out_novol", 87, 63, "", ""},
};

std::string Run(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 256> buf{};
  while (fgets(buf.data(), buf.size(), pipe.get()) != nullptr) out += buf.data();
  return out;
}

}  // namespace

MixerFixture& MixerFixture::Get() {
  static MixerFixture fixture;
  return fixture;
}

MixerFixture::MixerFixture() {
  AlsaFixture& alsa = AlsaFixture::Get();
  m_dir = alsa.Directory() + "/mixers";
  std::system(("mkdir -p '" + m_dir + "'").c_str());
  std::ofstream conf(m_dir + "/mixers.conf");
  conf << "ctl_type.varlofake { lib \"" << VARLO_FAKE_CTL_PLUGIN << "\" }\n";
  for (const Card& c : kCards) {
    SetRaw(c.name, 0, 0);
    conf << "ctl." << c.name << " {\n  type varlofake\n  state \"" << StateFile(c.name) << "\"\n"
         << "  playback_max " << c.playbackMax << "\n  capture_max " << c.captureMax << "\n"
         << "  playback_name \"" << c.playbackName << "\"\n  capture_name \"" << c.captureName << "\"\n}\n";
  }
  // A playback device whose card has no volumes.
  conf << "pcm.varlo_out_novol {\n  type null\n  hint { show on description \"Test playback without volumes|IOIDOutput\" }\n}\n";
  conf.close();
  const char* path = std::getenv("ALSA_CONFIG_PATH");
  const std::string full = std::string(path ? path : "/usr/share/alsa/alsa.conf") + ":" + m_dir + "/mixers.conf";
  setenv("ALSA_CONFIG_PATH", full.c_str(), 1);
}

std::string MixerFixture::StateFile(const std::string& mixer) const { return m_dir + "/" + mixer + ".state"; }

void MixerFixture::SetRaw(const std::string& mixer, long playback, long capture) const {
  std::ofstream(StateFile(mixer), std::ios::trunc) << playback << " " << capture << "\n";
}

bool MixerFixture::Amixer(const std::string& mixer, const std::string& control, long value) const {
  const std::string cmd = "amixer -q -D '" + mixer + "' sset '" + control + "' " + std::to_string(value) + " 2>&1";
  return std::system(cmd.c_str()) == 0;
}

long MixerFixture::AmixerRaw(const std::string& mixer, const std::string& control) const {
  const std::string out = Run("amixer -D '" + mixer + "' sget '" + control + "' 2>/dev/null");
  std::smatch m;
  static const std::regex value(R"((Playback|Capture) (\d+) \[)");
  if (!std::regex_search(out, m, value)) return -1;
  return std::stol(m[2].str());
}
