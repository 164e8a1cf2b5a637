#include "stack/sound/AlsaPcm.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

namespace {

struct HwParamsDeleter {
  void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};

}  // namespace

AlsaPcm::~AlsaPcm() { Close(); }

bool AlsaPcm::Open(const std::string& device, bool capture, unsigned channels, unsigned rate,
                   unsigned periodFrames, unsigned periods, std::string& error) {
  Close();
  snd_pcm_t* pcm = nullptr;
  int err = snd_pcm_open(&pcm, device.c_str(), capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                         SND_PCM_NONBLOCK);
  if (err < 0) {
    error = "cannot open sound device \"" + device + "\": " + snd_strerror(err);
    return false;
  }
  snd_pcm_hw_params_t* raw = nullptr;
  snd_pcm_hw_params_malloc(&raw);
  std::unique_ptr<snd_pcm_hw_params_t, HwParamsDeleter> hw(raw);
  snd_pcm_uframes_t period = periodFrames;
  snd_pcm_uframes_t buffer = static_cast<snd_pcm_uframes_t>(periodFrames) * periods;
  unsigned actualRate = rate;
  const char* step = "configuration";
  if ((err = snd_pcm_hw_params_any(pcm, hw.get())) < 0) step = "configuration";
  else if ((err = snd_pcm_hw_params_set_access(pcm, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED)) < 0) step = "access";
  else if ((err = snd_pcm_hw_params_set_format(pcm, hw.get(), SND_PCM_FORMAT_S16_LE)) < 0) step = "sample format";
  else if ((err = snd_pcm_hw_params_set_channels(pcm, hw.get(), channels)) < 0) step = "channel count";
  else if ((err = snd_pcm_hw_params_set_rate_near(pcm, hw.get(), &actualRate, nullptr)) < 0) step = "sample rate";
  else if (actualRate != rate && (err = -EINVAL)) step = "sample rate";
  else if ((err = snd_pcm_hw_params_set_period_size_near(pcm, hw.get(), &period, nullptr)) < 0) step = "period size";
  else if ((err = snd_pcm_hw_params_set_buffer_size_near(pcm, hw.get(), &buffer)) < 0) step = "buffer size";
  else if ((err = snd_pcm_hw_params(pcm, hw.get())) < 0) step = "parameters";
  if (err < 0) {
    error = "sound device \"" + device + "\" refuses the " + step + ": " + snd_strerror(err);
    snd_pcm_close(pcm);
    return false;
  }
  snd_pcm_hw_params_get_period_size(hw.get(), &period, nullptr);
  snd_pcm_hw_params_get_buffer_size(hw.get(), &buffer);
  m_pcm = pcm;
  m_periodFrames = period;
  m_bufferFrames = buffer;
  if (capture) snd_pcm_start(m_pcm);
  return true;
}

void AlsaPcm::Close() {
  if (m_pcm == nullptr) return;
  snd_pcm_close(m_pcm);
  m_pcm = nullptr;
}

long AlsaPcm::Recover(long err) {
  if (err == -EAGAIN) return 0;
  if (err == -EPIPE || err == -ESTRPIPE || err == -EINTR) {
    if (snd_pcm_recover(m_pcm, static_cast<int>(err), 1) == 0) {
      if (snd_pcm_stream(m_pcm) == SND_PCM_STREAM_CAPTURE) snd_pcm_start(m_pcm);
      return 0;
    }
  }
  return -1;
}

long AlsaPcm::ReadSome(void* buffer, unsigned long frames) {
  if (m_pcm == nullptr) return -1;
  const snd_pcm_sframes_t n = snd_pcm_readi(m_pcm, buffer, frames);
  return n >= 0 ? static_cast<long>(n) : Recover(static_cast<long>(n));
}

long AlsaPcm::WriteSome(const void* buffer, unsigned long frames) {
  if (m_pcm == nullptr) return -1;
  const snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, buffer, frames);
  return n >= 0 ? static_cast<long>(n) : Recover(static_cast<long>(n));
}

bool AlsaPcm::WaitReady(int ms) {
  if (m_pcm == nullptr) return false;
  const int r = snd_pcm_wait(m_pcm, ms);
  return r >= 0 || Recover(r) == 0;
}

void AlsaPcm::Drop() {
  if (m_pcm != nullptr) snd_pcm_drop(m_pcm);
  if (m_pcm != nullptr) snd_pcm_prepare(m_pcm);
}

void AlsaPcm::Drain() {
  if (m_pcm == nullptr) return;
  snd_pcm_nonblock(m_pcm, 0);
  snd_pcm_drain(m_pcm);
  snd_pcm_nonblock(m_pcm, 1);
}

std::vector<std::string> AlsaPcm::DeviceNames(bool capture) {
  DeviceNameLists lists = AllDeviceNames();
  return std::move(capture ? lists.capture : lists.playback);
}

AlsaPcm::DeviceNameLists AlsaPcm::AllDeviceNames() {
  // A look goes through every sound card's configuration (a millisecond or more), and a
  // window that opens asks several times in a row (each device it sets, its mixer): the
  // lists of one look serve for a second, no longer than a person takes to plug in a
  // headset and look for it.
  using Clock = std::chrono::steady_clock;
  constexpr auto kListsKept = std::chrono::seconds(1);
  static std::mutex mutex;
  static Clock::time_point taken;
  static std::optional<DeviceNameLists> lists;
  std::lock_guard lock(mutex);
  const Clock::time_point now = Clock::now();
  if (!lists || now - taken >= kListsKept) {
    lists = LookUpDeviceNames();
    taken = now;
  }
  return *lists;
}

AlsaPcm::DeviceNameLists AlsaPcm::LookUpDeviceNames() {
  DeviceNameLists lists;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) return lists;
  for (void** h = hints; *h != nullptr; ++h) {
    char* name = snd_device_name_get_hint(*h, "NAME");
    char* io = snd_device_name_get_hint(*h, "IOID");
    if (name != nullptr) {
      // A device without a direction serves both.
      if (io == nullptr || std::string(io) == "Output") lists.playback.emplace_back(name);
      if (io == nullptr || std::string(io) == "Input") lists.capture.emplace_back(name);
    }
    std::free(name);
    std::free(io);
  }
  snd_device_name_free_hint(hints);
  return lists;
}
