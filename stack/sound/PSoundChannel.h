// A sound device opened for recording or playing 16-bit linear PCM, on ALSA.
//
// Devices without a clock of their own (ALSA's null and file PCMs) would read and write
// at any speed, so the channel paces itself to real time by a monotonic clock: a read
// returns no earlier than the moment its last sample would have been captured, and a
// write returns no earlier than the moment the device buffer (SetBuffers) would have room
// for it.  On a real card its own blocking dominates and the pacing costs nothing.
//
// All operations may be called from several threads: I/O and file playback are
// serialised, and Close() or Abort() end a transfer or playback in progress.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "stack/ptlib/PChannel.h"
#include "stack/ptlib/PClock.h"
#include "stack/ptlib/PStringArray.h"

class AlsaPcm;

class PSoundChannel : public PChannel {
  PCLASSINFO(PSoundChannel, PChannel)
 public:
  enum Directions { Recorder, Player };

  PSoundChannel();
  // Uses `clock` for pacing; it must outlive the channel.
  explicit PSoundChannel(PClock& clock);
  PSoundChannel(const PString& device, Directions dir, unsigned numChannels = 1,
                unsigned sampleRate = 8000, unsigned bitsPerSample = 16);
  ~PSoundChannel() override;

  // Device names for the direction, in the sound system's order.
  static PStringArray GetDeviceNames(Directions dir);
  // "default" when the sound system has it, otherwise the first device, otherwise "".
  static PString GetDefaultDevice(Directions dir);
  // Both directions' defaults, from one look at the sound system.
  static void GetDefaultDevices(PString& player, PString& recorder);

  // Opens `device`; only 16 bits per sample are supported.
  bool Open(const PString& device, Directions dir, unsigned numChannels = 1,
            unsigned sampleRate = 8000, unsigned bitsPerSample = 16);
  bool IsOpen() const override;
  // Stops any playback and releases the device.  False when it was not open.
  bool Close() override;

  // Device buffering: `count` buffers of `size` bytes.  Applies to the next Open (and
  // re-opens a device that is open).
  bool SetBuffers(PINDEX size, PINDEX count = 2);
  bool GetBuffers(PINDEX& size, PINDEX& count) const;

  // Reads `length` bytes of samples (recorder), paced to real time.
  bool Read(void* buffer, PINDEX length) override;
  // Writes `length` bytes of samples (player), paced to real time.
  bool Write(const void* buffer, PINDEX length) override;

  // Plays a 16-bit PCM WAV file whose channel count and rate are those of the open
  // player.  A playback in progress is cut short.  With `wait` it returns when the whole
  // file has been played; without, it returns at once and plays in the background.
  bool PlayFile(const PString& file, bool wait = true);
  // True when no file playback is running and everything written has been played.
  bool HasPlayCompleted();
  bool WaitForPlayCompletion();
  // Cuts short a playback and discards what is queued.
  bool Abort();

  // How many times the channel has been opened: a user sharing the channel sees from a
  // changed count that someone else opened it since.
  uint64_t GetOpenCount() const;

  PString GetName() const;
  Directions GetDirection() const;
  unsigned GetChannels() const;
  unsigned GetSampleRate() const;
  unsigned GetSampleSize() const { return 16; }

 private:
  bool OpenLocked(std::unique_lock<std::mutex>& lock);
  bool WriteFrames(std::unique_lock<std::mutex>& lock, const int16_t* samples, size_t frames, bool fromPlayer);
  bool ReadFrames(std::unique_lock<std::mutex>& lock, int16_t* samples, size_t frames);
  void StopPlayer(std::unique_lock<std::mutex>& lock);
  int64_t FramesToMicros(size_t frames) const;
  int64_t BufferMicros() const;
  // Sleeps on the clock until `micros`, in slices, giving up when `stop` becomes true.
  template <class Stop>
  bool PaceUntil(std::unique_lock<std::mutex>& lock, int64_t micros, Stop stop);

  PClock& m_clock;
  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  std::unique_ptr<AlsaPcm> m_pcm;
  PString m_device;
  Directions m_direction = Player;
  unsigned m_channels = 1;
  unsigned m_sampleRate = 8000;
  PINDEX m_bufferSize = 4096;
  PINDEX m_bufferCount = 2;

  bool m_ioBusy = false;       // a Read or Write is on the device
  int m_aborters = 0;          // Close, Abort or SetBuffers waiting for the device
  int64_t m_playEnd = 0;       // when everything written so far has been played
  int64_t m_captureTime = -1;  // capture time of the next sample to be read

  std::thread m_player;
  bool m_playerRunning = false;
  bool m_stopPlayer = false;
  bool m_playerResult = false;
  uint64_t m_playGeneration = 0;
  uint64_t m_openCount = 0;
};
