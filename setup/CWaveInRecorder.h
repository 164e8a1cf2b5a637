// Records from one capture device so that the microphone page can show a level meter.
//
// It captures 16-bit mono PCM at 11025 Hz, one buffer of 2048 samples at a time, into the
// start of its sample area; the sample area always holds the most recent buffer.  A worker
// thread is woken per filled buffer, stores it and calls OnBufferFilled.  Every failure is
// reported with a message box.
//
// Start and Stop belong to one thread (the user-interface thread).  Stop ends and joins the
// worker, so a recorder may be destroyed right after it; Start while recording stops first.
// The sample area may be read from any thread through GetSamples.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win/BaseTypes.h"
#include "stack/ptlib/PStringArray.h"

class PSoundChannel;

class CWaveInRecorder {
 public:
  // Result codes of Start.
  static constexpr UINT kNoError = 0;
  static constexpr UINT kBadDeviceId = 2;   // no device with that index
  static constexpr UINT kAllocated = 4;     // the device would not open
  static constexpr UINT kNoDriver = 6;      // no capture device at all

  static constexpr int kSampleAreaSamples = 16384;

  struct WaveFormat {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0;
  };

  CWaveInRecorder();
  virtual ~CWaveInRecorder();
  CWaveInRecorder(const CWaveInRecorder&) = delete;
  CWaveInRecorder& operator=(const CWaveInRecorder&) = delete;

  // Zeroes the first 16384 bytes of the sample area.
  virtual void ClearBuffer();
  // Called on the worker after every filled buffer with that buffer's samples.
  virtual void OnBufferFilled(const int16_t* samples);

  void SetFormat(WORD channels, DWORD samplesPerSec, WORD bitsPerSample);
  const WaveFormat& GetFormat() const { return m_format; }

  // Starts recording from capture device `deviceIndex` (its position in the recording device
  // list).  0 on success, otherwise the code of the step that failed (after its box).
  UINT Start(UINT deviceIndex);
  // Ends recording: the worker is joined and the device closed.  Harmless when idle.
  void Stop();
  bool IsRecording() const;

  // Copies up to `count` samples from the start of the sample area.
  void GetSamples(int16_t* out, int count) const;
  // Buffers filled since construction.
  unsigned FilledBuffers() const { return m_filled.load(); }

 protected:
  // The recording device list (overridable for tests of the failure paths).
  virtual PStringArray GetDeviceNames() const;
  // Puts `count` samples into the sample area from sample `offset` on, as each filled
  // buffer is put at its start (what does not fit is left out).
  void PutSamples(int offset, const int16_t* in, int count);

 private:
  void ThreadMain();

  mutable std::mutex m_sampleMutex;
  int16_t m_samples[kSampleAreaSamples] = {};
  WaveFormat m_format;
  UINT m_deviceIndex = 0;
  std::unique_ptr<PSoundChannel> m_device;
  std::thread m_worker;
  std::atomic<bool> m_stop{false};
  std::atomic<unsigned> m_filled{0};
  const DWORD m_sampleRate = 11025;
  const DWORD m_samplesPerBuffer = 2048;
};
