#include "AlsaFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

const char* const kCaptures[] = {"varlo_in_a", "varlo_in_b"};
const char* const kPlaybacks[] = {"varlo_out_a", "varlo_out_b"};

}  // namespace

AlsaFixture& AlsaFixture::Get() {
  static AlsaFixture fixture;
  return fixture;
}

AlsaFixture::AlsaFixture() {
  char pattern[] = "/tmp/varlo-alsa-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_dir = pattern;
  std::ofstream conf(m_dir + "/asound.conf");
  for (const char* name : kCaptures) {
    SetCapture(name, {});
    conf << "pcm." << name << " {\n  type file\n  slave.pcm \"null\"\n  file \"/dev/null\"\n"
         << "  infile \"" << CaptureFile(name) << "\"\n  format \"raw\"\n"
         << "  hint { show on description \"Test capture " << name << "|IOIDInput\" }\n}\n";
  }
  for (const char* name : kPlaybacks) {
    conf << "pcm." << name << " {\n  type file\n  slave.pcm \"null\"\n"
         << "  file \"" << PlaybackFile(name) << "\"\n  format \"raw\"\n"
         << "  hint { show on description \"Test playback " << name << "|IOIDOutput\" }\n}\n";
  }
  conf << "pcm.!default {\n  type asym\n  capture.pcm \"" << kCaptures[0] << "\"\n"
       << "  playback.pcm \"" << kPlaybacks[0] << "\"\n  hint { show on description \"Default\" }\n}\n";
  conf.close();
  const std::string path = "/usr/share/alsa/alsa.conf:" + m_dir + "/asound.conf";
  setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
}

AlsaFixture::~AlsaFixture() {
  std::error_code ignored;
  std::filesystem::remove_all(m_dir, ignored);
}

std::string AlsaFixture::CaptureFile(const std::string& device) const { return m_dir + "/" + device + ".raw"; }
std::string AlsaFixture::PlaybackFile(const std::string& device) const { return m_dir + "/" + device + ".raw"; }

void AlsaFixture::SetCapture(const std::string& device, const std::vector<int16_t>& samples) const {
  std::ofstream out(CaptureFile(device), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
}

std::vector<int16_t> AlsaFixture::Played(const std::string& device) const {
  std::ifstream in(PlaybackFile(device), std::ios::binary | std::ios::ate);
  if (!in) return {};
  const std::streamoff size = in.tellg();
  std::vector<int16_t> samples(static_cast<size_t>(size) / 2);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
  return samples;
}

void AlsaFixture::ClearPlayed(const std::string& device) const {
  std::ofstream out(PlaybackFile(device), std::ios::binary | std::ios::trunc);
}
