#include "setup/CWaveInRecorder.h"

#include <algorithm>
#include <vector>

#include "platform/win/MessageBox.h"
#include "stack/sound/PSoundChannel.h"

namespace {

// A raw hardware device usually refuses 11025 Hz mono; its plug form converts.
PString PlugForm(const PString& device) {
  if (device.view().substr(0, 3) == "hw:") return "plug" + device;
  return PString();
}

}  // namespace

CWaveInRecorder::CWaveInRecorder() = default;

CWaveInRecorder::~CWaveInRecorder() { Stop(); }

void CWaveInRecorder::ClearBuffer() {
  std::lock_guard lock(m_sampleMutex);
  std::fill(m_samples, m_samples + 16384 / sizeof(int16_t), int16_t{0});  // the first 16384 bytes
}

void CWaveInRecorder::OnBufferFilled(const int16_t*) {}

void CWaveInRecorder::SetFormat(WORD channels, DWORD samplesPerSec, WORD bitsPerSample) {
  m_format.wFormatTag = 1;  // PCM
  m_format.nChannels = channels;
  m_format.nSamplesPerSec = samplesPerSec;
  m_format.wBitsPerSample = bitsPerSample;
  m_format.nBlockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
  m_format.nAvgBytesPerSec = channels * bitsPerSample * samplesPerSec / 8;
  m_format.cbSize = 0;
}

PStringArray CWaveInRecorder::GetDeviceNames() const { return PSoundChannel::GetDeviceNames(PSoundChannel::Recorder); }

UINT CWaveInRecorder::Start(UINT deviceIndex) {
  Stop();
  m_deviceIndex = deviceIndex;
  const PStringArray names = GetDeviceNames();
  if (names.IsEmpty()) {
    AfxMessageBox("No Sound Device");
    return kNoDriver;
  }
  SetFormat(1, m_sampleRate, 16);
  if (deviceIndex >= names.size()) {
    AfxMessageBox("Cannot Open Sound Input Device!");
    return kBadDeviceId;
  }
  auto device = std::make_unique<PSoundChannel>();
  const PINDEX bufferBytes = static_cast<PINDEX>(m_samplesPerBuffer * m_format.nBlockAlign);
  device->SetBuffers(bufferBytes, 2);
  const PString name = names[deviceIndex];
  bool open = device->Open(name, PSoundChannel::Recorder, m_format.nChannels, m_format.nSamplesPerSec,
                           m_format.wBitsPerSample);
  if (!open && !PlugForm(name).IsEmpty())
    open = device->Open(PlugForm(name), PSoundChannel::Recorder, m_format.nChannels, m_format.nSamplesPerSec,
                        m_format.wBitsPerSample);
  if (!open) {
    AfxMessageBox("Cannot Open Sound Input Device!");
    return kAllocated;
  }
  m_device = std::move(device);
  m_stop = false;
  m_worker = std::thread([this] { ThreadMain(); });
  return kNoError;
}

void CWaveInRecorder::ThreadMain() {
  std::vector<int16_t> buffer(m_samplesPerBuffer);
  const PINDEX bytes = static_cast<PINDEX>(buffer.size() * sizeof(int16_t));
  while (!m_stop) {
    // Returns once the device has filled the buffer (paced to real time), or early when
    // Stop closes the device.
    if (!m_device->Read(buffer.data(), bytes)) {
      // A device that fails while recording cannot take the buffer back: recording ends.
      // The box must not hold up a Stop that waits for this thread.
      if (!m_stop) AfxMessageBoxLater("Cannot Add Buffer !");
      return;
    }
    PutSamples(0, buffer.data(), static_cast<int>(buffer.size()));
    ++m_filled;
    OnBufferFilled(buffer.data());
  }
}

void CWaveInRecorder::Stop() {
  m_stop = true;
  if (m_device) m_device->Close();  // ends a read in progress
  if (m_worker.joinable()) m_worker.join();
  m_device.reset();
}

bool CWaveInRecorder::IsRecording() const { return m_worker.joinable(); }

void CWaveInRecorder::PutSamples(int offset, const int16_t* in, int count) {
  offset = std::clamp(offset, 0, kSampleAreaSamples);
  count = std::clamp(count, 0, kSampleAreaSamples - offset);
  std::lock_guard lock(m_sampleMutex);
  std::copy(in, in + count, m_samples + offset);
}

void CWaveInRecorder::GetSamples(int16_t* out, int count) const {
  count = std::clamp(count, 0, kSampleAreaSamples);
  std::lock_guard lock(m_sampleMutex);
  std::copy(m_samples, m_samples + count, out);
}
