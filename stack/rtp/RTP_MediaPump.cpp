#include "stack/rtp/RTP_MediaPump.h"

#include <algorithm>
#include <random>

#include "stack/codec/H323FramedAudioCodec.h"
#include "stack/ptlib/PThreadName.h"

namespace {

// Payload bytes beyond which a packet is sent even before it holds all its frames
// (keeps packets well inside an Ethernet MTU).
constexpr unsigned kMaxPayloadBytes = 1400;
constexpr int64_t kReceivePollMs = 100;

uint32_t RandomTimestamp() {
  std::random_device rd;
  return static_cast<uint32_t>(rd());
}

}  // namespace

RTP_MediaPump::Settings RTP_MediaPump::Settings::For(const H323AudioCapability& capability,
                                                    unsigned maxJitterDelayMs) {
  Settings s;
  s.payloadType = capability.GetPayloadType();
  s.framesPerPacket = capability.GetTxFramesInPacket();
  s.maxJitterDelayMs = maxJitterDelayMs;
  s.minJitterDelayMs = std::min(s.minJitterDelayMs, maxJitterDelayMs);
  return s;
}

RTP_MediaPump::RTP_MediaPump(RTP_Session& session, std::unique_ptr<H323AudioCodec> codec, const Settings& settings,
                             PClock& clock)
    : m_session(session),
      m_codec(std::move(codec)),
      m_settings(settings),
      m_clock(clock),
      m_jitter(settings.minJitterDelayMs, settings.maxJitterDelayMs, m_codec ? m_codec->GetMediaFormat().clockRate : 8000) {
  m_settings.framesPerPacket = std::max(1u, m_settings.framesPerPacket);
}

RTP_MediaPump::~RTP_MediaPump() { Stop(); }

bool RTP_MediaPump::Start() {
  if (!m_codec || m_running || m_codec->GetRawDataChannel() == nullptr) return false;
  m_stopping = false;
  m_running = true;
  if (m_codec->GetDirection() == H323Codec::Encoder) {
    m_mediaThread = std::thread([this] {
      PSetThreadName("rtp-send");
      TransmitLoop();
    });
  } else {
    m_mediaThread = std::thread([this] {
      PSetThreadName("rtp-play");
      PlayoutLoop();
    });
  }
  return true;
}

void RTP_MediaPump::Stop() {
  m_stopping = true;
  if (m_mediaThread.joinable()) m_mediaThread.join();
  m_running = false;
}

void RTP_MediaPump::Pause(bool paused) {
  const bool was = m_paused.exchange(paused);
  if (was && !paused) m_resumed = true;
}

bool RTP_MediaPump::SendPacket(std::vector<uint8_t>& payload, uint32_t timestamp, bool marker) {
  RTP_DataFrame frame(static_cast<unsigned>(payload.size()));
  std::copy(payload.begin(), payload.end(), frame.GetPayloadPtr());
  frame.SetPayloadType(m_settings.payloadType);
  frame.SetTimestamp(timestamp);
  frame.SetMarker(marker);
  payload.clear();
  if (!m_session.WriteData(frame)) return false;
  ++m_packetsSent;
  return true;
}

void RTP_MediaPump::TransmitLoop() {
  // A packet's frames are read from the recorder at once (they go out together anyway).
  if (auto* framed = dynamic_cast<H323FramedAudioCodec*>(m_codec.get())) framed->SetFramesPerRead(m_settings.framesPerPacket);
  const unsigned frameRate = m_codec->GetFrameRate();
  const unsigned maxFrame = std::max(1u, m_codec->GetMediaFormat().frameBytes);
  std::vector<uint8_t> frame(maxFrame);
  std::vector<uint8_t> payload;
  unsigned frames = 0;
  uint32_t timestamp = RandomTimestamp();
  uint32_t packetTimestamp = 0;
  bool packetMarker = false;
  bool markNext = false;
  int64_t nextReport = m_clock.NowMicros() + m_settings.reportInterval.GetMilliSeconds() * 1000;

  while (!m_stopping) {
    unsigned length = 0;
    bool marker = false;
    if (!m_codec->Read(frame.data(), length, marker)) break;  // the recorder is gone
    if (m_paused) {
      payload.clear();
      frames = 0;
      markNext = true;
      timestamp += frameRate;
      continue;
    }
    if (length == 0) {  // silence: what is collected goes now, nothing more until speech
      if (frames > 0) SendPacket(payload, packetTimestamp, packetMarker);
      frames = 0;
      timestamp += frameRate;
      continue;
    }
    if (frames > 0 && payload.size() + length > kMaxPayloadBytes) {
      SendPacket(payload, packetTimestamp, packetMarker);
      frames = 0;
    }
    if (frames == 0) {
      packetTimestamp = timestamp;
      packetMarker = marker || markNext;
      markNext = false;
    }
    payload.insert(payload.end(), frame.begin(), frame.begin() + length);
    timestamp += frameRate;
    if (++frames >= m_settings.framesPerPacket) {
      SendPacket(payload, packetTimestamp, packetMarker);
      frames = 0;
    }
    const int64_t now = m_clock.NowMicros();
    if (now >= nextReport) {
      m_session.SendReport();
      nextReport = now + m_settings.reportInterval.GetMilliSeconds() * 1000;
    }
  }
  if (frames > 0 && !m_stopping) SendPacket(payload, packetTimestamp, packetMarker);
  m_running = false;
}

bool RTP_MediaPump::Receive(RTP_DataFrame& frame, PTimeInterval wait, int64_t& nextReport) {
  const bool got = m_session.ReadData(frame, wait);
  const int64_t now = m_clock.NowMicros();
  if (now >= nextReport) {
    m_session.SendReport();
    nextReport = now + m_settings.reportInterval.GetMilliSeconds() * 1000;
  }
  if (!got) return false;
  if (m_paused) return true;
  if (frame.GetPayloadType() != m_settings.payloadType) {
    ++m_foreignPayloads;
    return true;
  }
  m_jitter.Insert(frame);
  return true;
}

void RTP_MediaPump::TakeArrivals(RTP_DataFrame& frame, int64_t& nextReport) {
  while (!m_stopping && Receive(frame, PTimeInterval(0), nextReport)) {
  }
}

void RTP_MediaPump::PlayoutLoop() {
  const unsigned slot = std::max(1u, m_codec->GetFrameRate());
  RTP_DataFrame frame;
  RTP_DataFrame arrived;
  int64_t nextReport = m_clock.NowMicros() + m_settings.reportInterval.GetMilliSeconds() * 1000;
  // What arrives while a write is on the device is taken in before the buffer moves on past
  // what was written; the write's result is passed on.
  auto written = [&](bool ok) {
    TakeArrivals(arrived, nextReport);
    return ok;
  };
  TakeArrivals(arrived, nextReport);
  while (!m_stopping) {
    if (m_resumed.exchange(false)) m_jitter.Reset();
    if (m_paused) {
      if (!written(m_codec->WriteSilence(slot))) break;
      continue;
    }
    unsigned silence = 0;
    if (m_jitter.Next(slot, frame, silence)) {
      const uint64_t before = m_codec->GetSamplesWritten();
      unsigned used = 0;
      if (!written(m_codec->Write(frame.GetPayloadPtr(), frame.GetPayloadSize(), used))) break;
      m_jitter.Advance(static_cast<unsigned>(m_codec->GetSamplesWritten() - before));
    } else {
      if (!written(m_codec->WriteSilence(silence))) break;
      m_jitter.Advance(silence);
    }
  }
  m_running = false;
  while (!m_stopping) Receive(arrived, PTimeInterval(kReceivePollMs), nextReport);
}
