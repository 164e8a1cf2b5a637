#include "stack/sound/PSoundChannel.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "stack/ptlib/PThreadName.h"
#include "stack/sound/AlsaPcm.h"
#include "stack/sound/WavFile.h"

namespace {

constexpr int64_t kPaceSliceMicros = 20000;  // longest sleep between two looks at abort (manual clocks)
// How far beyond real time one read or write may reach at once before it waits within
// itself: a packet's frames go in one wait, a long sound is still paced as it goes.
constexpr int64_t kBurstMicros = 100000;
constexpr int kDeviceWaitMs = 20;

}  // namespace

PSoundChannel::PSoundChannel() : PSoundChannel(PClock::System()) {}

PSoundChannel::PSoundChannel(PClock& clock) : m_clock(clock) {}

PSoundChannel::PSoundChannel(const PString& device, Directions dir, unsigned numChannels,
                             unsigned sampleRate, unsigned bitsPerSample)
    : PSoundChannel() {
  Open(device, dir, numChannels, sampleRate, bitsPerSample);
}

PSoundChannel::~PSoundChannel() {
  Close();
  std::unique_lock lock(m_mutex);
  StopPlayer(lock);
}

PStringArray PSoundChannel::GetDeviceNames(Directions dir) {
  PStringArray names;
  for (const auto& n : AlsaPcm::DeviceNames(dir == Recorder)) names.AppendString(PString(n));
  return names;
}

namespace {
PString DefaultOf(const std::vector<std::string>& names) {
  if (std::find(names.begin(), names.end(), "default") != names.end()) return "default";
  return names.empty() ? PString() : PString(names.front());
}
}  // namespace

PString PSoundChannel::GetDefaultDevice(Directions dir) { return DefaultOf(AlsaPcm::DeviceNames(dir == Recorder)); }

void PSoundChannel::GetDefaultDevices(PString& player, PString& recorder) {
  const AlsaPcm::DeviceNameLists lists = AlsaPcm::AllDeviceNames();
  player = DefaultOf(lists.playback);
  recorder = DefaultOf(lists.capture);
}

bool PSoundChannel::Open(const PString& device, Directions dir, unsigned numChannels,
                         unsigned sampleRate, unsigned bitsPerSample) {
  Close();
  if (bitsPerSample != 16 || numChannels == 0 || numChannels > 8 || sampleRate == 0 || device.IsEmpty())
    return SetError(BadParameter);
  std::unique_lock lock(m_mutex);
  m_device = device;
  m_direction = dir;
  m_channels = numChannels;
  m_sampleRate = sampleRate;
  return OpenLocked(lock);
}

bool PSoundChannel::OpenLocked(std::unique_lock<std::mutex>&) {
  auto pcm = std::make_unique<AlsaPcm>();
  const unsigned frameBytes = 2 * m_channels;
  const unsigned periodFrames = std::max(1u, static_cast<unsigned>(m_bufferSize) / frameBytes);
  std::string error;
  if (!pcm->Open(m_device.str(), m_direction == Recorder, m_channels, m_sampleRate, periodFrames,
                 static_cast<unsigned>(std::max<PINDEX>(2, m_bufferCount)), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return SetError(NotFound);
  }
  m_pcm = std::move(pcm);
  ++m_openCount;
  m_playEnd = m_clock.NowMicros();
  m_captureTime = -1;
  ClearError();
  return true;
}

bool PSoundChannel::IsOpen() const {
  std::lock_guard lock(m_mutex);
  return m_pcm != nullptr;
}

bool PSoundChannel::Close() {
  std::unique_lock lock(m_mutex);
  ++m_aborters;
  m_cv.notify_all();  // a read or write pacing itself stops waiting
  StopPlayer(lock);
  m_cv.wait(lock, [this] { return !m_ioBusy; });
  const bool wasOpen = m_pcm != nullptr;
  if (wasOpen) {
    if (m_direction == Player) m_pcm->Drain();
    m_pcm.reset();
  }
  --m_aborters;
  m_cv.notify_all();
  return wasOpen;
}

bool PSoundChannel::Abort() {
  std::unique_lock lock(m_mutex);
  ++m_aborters;
  m_cv.notify_all();  // a read or write pacing itself stops waiting
  StopPlayer(lock);
  m_cv.wait(lock, [this] { return !m_ioBusy; });
  if (m_pcm) m_pcm->Drop();
  m_playEnd = m_clock.NowMicros();
  m_captureTime = -1;
  --m_aborters;
  m_cv.notify_all();
  return true;
}

bool PSoundChannel::SetBuffers(PINDEX size, PINDEX count) {
  if (size <= 0 || count <= 0) return SetError(BadParameter);
  std::unique_lock lock(m_mutex);
  m_bufferSize = size;
  m_bufferCount = count;
  if (!m_pcm) return true;
  ++m_aborters;
  m_cv.notify_all();  // a read or write pacing itself stops waiting
  StopPlayer(lock);
  m_cv.wait(lock, [this] { return !m_ioBusy; });
  m_pcm.reset();
  const bool ok = OpenLocked(lock);
  --m_aborters;
  m_cv.notify_all();
  return ok;
}

bool PSoundChannel::GetBuffers(PINDEX& size, PINDEX& count) const {
  std::lock_guard lock(m_mutex);
  size = m_bufferSize;
  count = m_bufferCount;
  return true;
}

int64_t PSoundChannel::FramesToMicros(size_t frames) const {
  return static_cast<int64_t>(frames) * 1000000 / static_cast<int64_t>(m_sampleRate);
}

int64_t PSoundChannel::BufferMicros() const {
  const size_t frames = static_cast<size_t>(m_bufferSize) * static_cast<size_t>(m_bufferCount) / (2u * m_channels);
  return FramesToMicros(frames);
}

template <class Stop>
bool PSoundChannel::PaceUntil(std::unique_lock<std::mutex>& lock, int64_t micros, Stop stop) {
  if (&m_clock == &PClock::System()) {
    // One wait, however long, that an abort cuts short (it notifies m_cv).
    const std::chrono::steady_clock::time_point until{std::chrono::microseconds(micros)};
    return !m_cv.wait_until(lock, until, stop);
  }
  while (!stop()) {
    const int64_t now = m_clock.NowMicros();
    if (now >= micros) return true;
    lock.unlock();
    m_clock.SleepUntilMicros(std::min(micros, now + kPaceSliceMicros));
    lock.lock();
  }
  return false;
}

bool PSoundChannel::Read(void* buffer, PINDEX length) {
  SetLastReadCount(0);
  std::unique_lock lock(m_mutex);
  if (!m_pcm || m_direction != Recorder) return SetError(NotOpen);
  if (buffer == nullptr || length < 0) return SetError(BadParameter);
  const size_t frameBytes = 2u * m_channels;
  return ReadFrames(lock, static_cast<int16_t*>(buffer), static_cast<size_t>(length) / frameBytes);
}

bool PSoundChannel::ReadFrames(std::unique_lock<std::mutex>& lock, int16_t* samples, size_t frames) {
  m_cv.wait(lock, [this] { return !m_ioBusy && m_aborters == 0; });
  if (!m_pcm || m_direction != Recorder) return SetError(NotOpen);
  m_ioBusy = true;
  AlsaPcm* pcm = m_pcm.get();
  const auto stop = [this] { return m_aborters > 0; };
  size_t done = 0;
  bool ok = true;
  while (done < frames && !stop()) {
    const size_t chunk = std::min<size_t>(frames - done, std::max<unsigned long>(1, pcm->BufferFrames()));
    lock.unlock();
    long n = pcm->ReadSome(samples + done * m_channels, chunk);
    if (n == 0) pcm->WaitReady(kDeviceWaitMs);
    lock.lock();
    if (n < 0) {
      ok = SetError(Miscellaneous);
      break;
    }
    if (n == 0) continue;
    // The device delivers a sample no earlier than it was captured; after a stall it can
    // hand over at most one device buffer of backlog at once.
    const int64_t now = m_clock.NowMicros();
    if (m_captureTime < 0) m_captureTime = now;
    m_captureTime = std::max(m_captureTime, now - BufferMicros()) + FramesToMicros(static_cast<size_t>(n));
    done += static_cast<size_t>(n);
    if (m_captureTime - now > kBurstMicros) PaceUntil(lock, m_captureTime - kBurstMicros, stop);
  }
  // The read returns once its last sample has been captured: waited for once for a
  // read of a few device periods.
  if (ok && done > 0) PaceUntil(lock, m_captureTime, stop);
  m_ioBusy = false;
  m_cv.notify_all();
  SetLastReadCount(static_cast<PINDEX>(done * 2u * m_channels));
  if (ok && done < frames) return SetError(Interrupted);
  if (ok) ClearError();
  return ok;
}

bool PSoundChannel::Write(const void* buffer, PINDEX length) {
  SetLastWriteCount(0);
  std::unique_lock lock(m_mutex);
  if (!m_pcm || m_direction != Player) return SetError(NotOpen);
  if ((buffer == nullptr && length > 0) || length < 0) return SetError(BadParameter);
  const size_t frameBytes = 2u * m_channels;
  return WriteFrames(lock, static_cast<const int16_t*>(buffer), static_cast<size_t>(length) / frameBytes, false);
}

bool PSoundChannel::WriteFrames(std::unique_lock<std::mutex>& lock, const int16_t* samples, size_t frames,
                                bool fromPlayer) {
  const auto stop = [this, fromPlayer] { return m_aborters > 0 || (fromPlayer && m_stopPlayer); };
  m_cv.wait(lock, [&] { return (!m_ioBusy && m_aborters == 0) || stop(); });
  if (stop()) return SetError(Interrupted);
  if (!m_pcm || m_direction != Player) return SetError(NotOpen);
  m_ioBusy = true;
  AlsaPcm* pcm = m_pcm.get();
  size_t done = 0;
  bool ok = true;
  while (done < frames && !stop()) {
    const size_t chunk = std::min<size_t>(frames - done, std::max<unsigned long>(1, pcm->BufferFrames()));
    lock.unlock();
    long n = pcm->WriteSome(samples + done * m_channels, chunk);
    if (n == 0) pcm->WaitReady(kDeviceWaitMs);
    lock.lock();
    if (n < 0) {
      ok = SetError(Miscellaneous);
      break;
    }
    if (n == 0) continue;
    // What is written plays after what is queued, or now if the queue has run dry.
    const int64_t now = m_clock.NowMicros();
    m_playEnd = std::max(m_playEnd, now) + FramesToMicros(static_cast<size_t>(n));
    done += static_cast<size_t>(n);
    if (m_playEnd - BufferMicros() - now > kBurstMicros) PaceUntil(lock, m_playEnd - BufferMicros() - kBurstMicros, stop);
  }
  // The writer may stay ahead of the playing position by one device buffer: it returns
  // when the rest of what it wrote fits the buffer (waited for once for a write of a few
  // device periods).
  if (ok && done > 0) PaceUntil(lock, m_playEnd - BufferMicros(), stop);
  m_ioBusy = false;
  m_cv.notify_all();
  if (!fromPlayer) SetLastWriteCount(static_cast<PINDEX>(done * 2u * m_channels));
  if (ok && done < frames) return SetError(Interrupted);
  if (ok && !fromPlayer) ClearError();
  return ok;
}

void PSoundChannel::StopPlayer(std::unique_lock<std::mutex>& lock) {
  while (m_player.joinable()) {
    m_stopPlayer = true;
    m_cv.notify_all();
    std::thread t = std::move(m_player);
    lock.unlock();
    t.join();
    lock.lock();
  }
  m_stopPlayer = false;
}

bool PSoundChannel::PlayFile(const PString& file, bool wait) {
  WavAudio audio;
  std::string error;
  if (!ReadWavFile(file.str(), audio, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return SetError(NotFound);
  }
  std::unique_lock lock(m_mutex);
  if (!m_pcm || m_direction != Player) return SetError(NotOpen);
  if (audio.channels != m_channels || audio.sampleRate != m_sampleRate) {
    std::fprintf(stderr, "%s: %u channel(s) at %u Hz, but the device is open for %u at %u Hz\n",
                 file.GetPointer(), audio.channels, audio.sampleRate, m_channels, m_sampleRate);
    return SetError(BadParameter);
  }
  StopPlayer(lock);
  if (!m_pcm) return SetError(NotOpen);
  const uint64_t generation = ++m_playGeneration;
  m_playerRunning = true;
  m_playerResult = false;
  m_player = std::thread([this, samples = std::move(audio.samples)] {
    PSetThreadName("sound-play");
    std::unique_lock lk(m_mutex);
    const bool ok = WriteFrames(lk, samples.data(), samples.size() / m_channels, true);
    m_playerResult = ok;
    m_playerRunning = false;
    m_cv.notify_all();
  });
  if (!wait) return true;
  m_cv.wait(lock, [&] { return !m_playerRunning || m_playGeneration != generation; });
  if (m_playGeneration != generation || !m_playerResult) return SetError(Interrupted);
  const auto stop = [this, generation] { return m_aborters > 0 || m_playGeneration != generation; };
  if (!PaceUntil(lock, m_playEnd, stop)) return SetError(Interrupted);
  ClearError();
  return true;
}

bool PSoundChannel::HasPlayCompleted() {
  std::lock_guard lock(m_mutex);
  if (!m_pcm || m_direction != Player) return true;
  return !m_playerRunning && m_clock.NowMicros() >= m_playEnd;
}

bool PSoundChannel::WaitForPlayCompletion() {
  std::unique_lock lock(m_mutex);
  if (!m_pcm || m_direction != Player) return true;
  const uint64_t generation = m_playGeneration;
  const auto stop = [this, generation] { return m_aborters > 0 || m_playGeneration != generation; };
  m_cv.wait(lock, [&] { return !m_playerRunning || stop(); });
  if (stop()) return false;
  return PaceUntil(lock, m_playEnd, stop);
}

uint64_t PSoundChannel::GetOpenCount() const {
  std::lock_guard lock(m_mutex);
  return m_openCount;
}

PString PSoundChannel::GetName() const {
  std::lock_guard lock(m_mutex);
  return m_device;
}

PSoundChannel::Directions PSoundChannel::GetDirection() const {
  std::lock_guard lock(m_mutex);
  return m_direction;
}

unsigned PSoundChannel::GetChannels() const {
  std::lock_guard lock(m_mutex);
  return m_channels;
}

unsigned PSoundChannel::GetSampleRate() const {
  std::lock_guard lock(m_mutex);
  return m_sampleRate;
}
