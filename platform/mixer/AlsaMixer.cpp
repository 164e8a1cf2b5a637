#include "platform/mixer/AlsaMixer.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace varlo::mixer {

long ToControlRange(uint32_t value, long min, long max) {
  if (max <= min) return min;
  if (value > kFullScale) value = kFullScale;
  const __int128 span = static_cast<__int128>(max) - min;
  return static_cast<long>(min + (value * span + (kFullScale - 1)) / kFullScale);
}

uint32_t FromControlRange(long value, long min, long max) {
  if (max <= min) return 0;
  if (value < min) value = min;
  if (value > max) value = max;
  const __int128 span = static_cast<__int128>(max) - min;
  return static_cast<uint32_t>((static_cast<__int128>(value) - min) * kFullScale / span);
}

std::vector<std::string> PlaybackDeviceNames() {
  std::vector<std::string> names;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) return names;
  for (void** h = hints; *h != nullptr; ++h) {
    char* name = snd_device_name_get_hint(*h, "NAME");
    char* io = snd_device_name_get_hint(*h, "IOID");
    const bool output = io == nullptr || std::string(io) == "Output";
    if (name != nullptr && output) names.emplace_back(name);
    std::free(name);
    std::free(io);
  }
  snd_device_name_free_hint(hints);
  return names;
}

std::string ControlDeviceOf(const std::string& pcmName) {
  if (pcmName.empty() || pcmName == "null") return {};
  const auto card = pcmName.find("CARD=");
  if (card != std::string::npos) {
    const auto start = card + 5;
    const auto end = pcmName.find(',', start);
    return "hw:CARD=" + pcmName.substr(start, end == std::string::npos ? std::string::npos : end - start);
  }
  return pcmName.substr(0, pcmName.find(':'));
}

struct AlsaMixer::Impl {
  snd_mixer_t* mixer = nullptr;
  snd_mixer_elem_t* elem[2] = {nullptr, nullptr};
  std::string card;
  ChangeFn onChange;
  std::mutex mutex;  // the ALSA handle is used by the caller's thread and the watcher
  bool changed[2] = {false, false};
  int wake = -1;
  std::atomic<bool> stop{false};
  std::thread watcher;

  ~Impl() {
    stop = true;
    if (watcher.joinable()) {
      const uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = write(wake, &one, sizeof one);
      watcher.join();
    }
    if (wake >= 0) close(wake);
    if (mixer != nullptr) snd_mixer_close(mixer);
  }

  static int OnElement(snd_mixer_elem_t* e, unsigned int mask) {
    auto* self = static_cast<Impl*>(snd_mixer_elem_get_callback_private(e));
    for (int v = 0; v < 2; ++v) {
      if (self->elem[v] != e) continue;
      if (mask == SND_CTL_EVENT_MASK_REMOVE) {
        self->elem[v] = nullptr;
      } else if (mask & SND_CTL_EVENT_MASK_VALUE) {
        self->changed[v] = true;
      }
    }
    return 0;
  }

  // Takes in what the device has announced; with the lock held.
  void HandleEvents() {
    if (mixer != nullptr) snd_mixer_handle_events(mixer);
  }

  // Tells the owner of the volumes that changed; without the lock.
  void Dispatch() {
    bool which[2];
    {
      std::lock_guard lock(mutex);
      which[0] = changed[0];
      which[1] = changed[1];
      changed[0] = changed[1] = false;
    }
    if (!onChange) return;
    for (int v = 0; v < 2; ++v) {
      if (which[v]) onChange(static_cast<Volume>(v));
    }
  }

  void Watch() {
    std::vector<pollfd> fds;
    while (!stop) {
      {
        std::lock_guard lock(mutex);
        const int count = snd_mixer_poll_descriptors_count(mixer);
        if (count < 0) return;
        fds.assign(static_cast<size_t>(count) + 1, pollfd{});
        snd_mixer_poll_descriptors(mixer, fds.data() + 1, static_cast<unsigned>(count));
      }
      fds[0] = pollfd{wake, POLLIN, 0};
      if (poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[0].revents != 0 || stop) return;
      {
        std::lock_guard lock(mutex);
        unsigned short revents = 0;
        snd_mixer_poll_descriptors_revents(mixer, fds.data() + 1, static_cast<unsigned>(fds.size() - 1), &revents);
        if (revents & (POLLERR | POLLNVAL | POLLHUP)) return;  // the device has gone
        HandleEvents();
      }
      Dispatch();
    }
  }
};

namespace {

snd_mixer_elem_t* FindVolume(snd_mixer_t* mixer, const char* name, bool playback) {
  snd_mixer_selem_id_t* id = nullptr;
  snd_mixer_selem_id_alloca(&id);
  snd_mixer_selem_id_set_name(id, name);
  snd_mixer_selem_id_set_index(id, 0);
  snd_mixer_elem_t* e = snd_mixer_find_selem(mixer, id);
  if (e == nullptr) return nullptr;
  const bool has = playback ? snd_mixer_selem_has_playback_volume(e) : snd_mixer_selem_has_capture_volume(e);
  return has ? e : nullptr;
}

}  // namespace

AlsaMixer::AlsaMixer(std::unique_ptr<Impl> impl) : m(std::move(impl)) {}
AlsaMixer::~AlsaMixer() = default;

std::unique_ptr<AlsaMixer> AlsaMixer::Open(const std::string& controlDevice, ChangeFn onChange) {
  if (controlDevice.empty()) return nullptr;
  auto impl = std::make_unique<Impl>();
  if (snd_mixer_open(&impl->mixer, 0) < 0) return nullptr;
  if (snd_mixer_attach(impl->mixer, controlDevice.c_str()) < 0 ||
      snd_mixer_selem_register(impl->mixer, nullptr, nullptr) < 0 || snd_mixer_load(impl->mixer) < 0) {
    return nullptr;
  }
  impl->card = controlDevice;
  if (snd_hctl_t* hctl = nullptr; snd_mixer_get_hctl(impl->mixer, controlDevice.c_str(), &hctl) == 0) {
    snd_ctl_card_info_t* info = nullptr;
    snd_ctl_card_info_alloca(&info);
    if (snd_ctl_card_info(snd_hctl_ctl(hctl), info) == 0 && snd_ctl_card_info_get_name(info)[0] != '\0') {
      impl->card = snd_ctl_card_info_get_name(info);
    }
  }
  impl->elem[kSpeaker] = FindVolume(impl->mixer, "Master", true);
  if (impl->elem[kSpeaker] == nullptr) impl->elem[kSpeaker] = FindVolume(impl->mixer, "PCM", true);
  impl->elem[kMicrophone] = FindVolume(impl->mixer, "Capture", false);
  if (impl->elem[kMicrophone] == nullptr) impl->elem[kMicrophone] = FindVolume(impl->mixer, "Mic", false);
  for (snd_mixer_elem_t* e : impl->elem) {
    if (e == nullptr) continue;
    snd_mixer_elem_set_callback_private(e, impl.get());
    snd_mixer_elem_set_callback(e, &Impl::OnElement);
  }
  impl->onChange = std::move(onChange);
  if (impl->onChange) {
    impl->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (impl->wake < 0) return nullptr;
    impl->watcher = std::thread([p = impl.get()] { p->Watch(); });
  }
  return std::unique_ptr<AlsaMixer>(new AlsaMixer(std::move(impl)));
}

bool AlsaMixer::Has(Volume volume) const {
  std::lock_guard lock(m->mutex);
  return m->elem[volume] != nullptr;
}

bool AlsaMixer::Get(Volume volume, uint32_t& value) {
  bool ok = false;
  {
    std::lock_guard lock(m->mutex);
    m->HandleEvents();
    snd_mixer_elem_t* e = m->elem[volume];
    if (e != nullptr) {
      long min = 0, max = 0, v = 0;
      if (volume == kSpeaker) {
        ok = snd_mixer_selem_get_playback_volume_range(e, &min, &max) == 0 &&
             snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &v) == 0;
      } else {
        ok = snd_mixer_selem_get_capture_volume_range(e, &min, &max) == 0 &&
             snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &v) == 0;
      }
      if (ok) value = FromControlRange(v, min, max);
    }
  }
  m->Dispatch();
  return ok;
}

bool AlsaMixer::Set(Volume volume, uint32_t value) {
  std::lock_guard lock(m->mutex);
  snd_mixer_elem_t* e = m->elem[volume];
  if (e == nullptr) return false;
  long min = 0, max = 0;
  if (volume == kSpeaker) {
    return snd_mixer_selem_get_playback_volume_range(e, &min, &max) == 0 &&
           snd_mixer_selem_set_playback_volume_all(e, ToControlRange(value, min, max)) == 0;
  }
  return snd_mixer_selem_get_capture_volume_range(e, &min, &max) == 0 &&
         snd_mixer_selem_set_capture_volume_all(e, ToControlRange(value, min, max)) == 0;
}

std::string AlsaMixer::CardName() const { return m->card; }

}  // namespace varlo::mixer
