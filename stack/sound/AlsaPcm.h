// A thin owner of one ALSA PCM handle, opened non-blocking so that every wait is bounded
// and an abort from another thread is seen within one wait slice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _snd_pcm;

class AlsaPcm {
 public:
  AlsaPcm() = default;
  ~AlsaPcm();
  AlsaPcm(const AlsaPcm&) = delete;
  AlsaPcm& operator=(const AlsaPcm&) = delete;

  // Opens `device` for capture or playback, interleaved signed 16-bit at the given rate
  // and channel count, with `periodFrames` per period and `periods` periods.
  bool Open(const std::string& device, bool capture, unsigned channels, unsigned rate,
            unsigned periodFrames, unsigned periods, std::string& error);
  void Close();
  bool IsOpen() const { return m_pcm != nullptr; }

  // Transfers up to `frames` frames without blocking; returns the frames moved, 0 when the
  // device is not ready, or -1 on an unrecoverable error.  Overruns and underruns are
  // recovered here.
  long ReadSome(void* buffer, unsigned long frames);
  long WriteSome(const void* buffer, unsigned long frames);
  // Waits at most `ms` until the device can transfer; false on error.
  bool WaitReady(int ms);
  // Discards what is queued.
  void Drop();
  // Plays out what is queued (returns at once on devices without a clock).
  void Drain();

  unsigned long PeriodFrames() const { return m_periodFrames; }
  unsigned long BufferFrames() const { return m_bufferFrames; }

  // PCM names known to the configuration for capture or playback, in its order.
  static std::vector<std::string> DeviceNames(bool capture);
  struct DeviceNameLists {
    std::vector<std::string> playback, capture;
  };
  // Both lists from one look at the configuration (which reads every card's), or from
  // the look of the last second.
  static DeviceNameLists AllDeviceNames();

 private:
  static DeviceNameLists LookUpDeviceNames();
  long Recover(long err);

  _snd_pcm* m_pcm = nullptr;
  unsigned long m_periodFrames = 0;
  unsigned long m_bufferFrames = 0;
};
