#include "stack/h323/H323_RTPChannel.h"

#include "stack/h323/H323EndPoint.h"
#include "stack/h323/H323_RTP_UDP.h"
#include "stack/sound/PSoundChannel.h"

namespace {

// Device buffering of a call's sound channel: two buffers of one codec frame each.
constexpr PINDEX kSoundBuffers = 2;

}  // namespace

H323_RTPChannel::H323_RTPChannel(H323Connection& connection, const H323AudioCapability& capability,
                                 Directions direction, H323_RTP_UDP& session)
    : m_connection(connection),
      m_capability(static_cast<H323AudioCapability*>(capability.Clone())),
      m_direction(direction),
      m_session(session) {}

H323_RTPChannel::~H323_RTPChannel() { Close(); }

unsigned H323_RTPChannel::GetRTPPayloadType() const {
  return m_dynamicPayloadType >= 0 ? static_cast<unsigned>(m_dynamicPayloadType) : m_capability->GetPayloadType();
}

void H323_RTPChannel::SetDynamicRTPPayloadType(int type) {
  if (type >= 96 && type <= 127) m_dynamicPayloadType = type;
}

bool H323_RTPChannel::Start() {
  if (m_pump || !m_capability) return false;
  const H323EndPoint& endpoint = m_connection.GetEndPoint();
  const bool transmit = m_direction == IsTransmitter;
  std::unique_ptr<H323Codec> codec(m_capability->CreateCodec(transmit ? H323Codec::Encoder : H323Codec::Decoder));
  auto* audio = dynamic_cast<H323AudioCodec*>(codec.get());
  if (audio == nullptr || !audio->IsValid()) return false;
  codec.release();
  std::unique_ptr<H323AudioCodec> audioCodec(audio);

  auto sound = std::make_unique<PSoundChannel>();
  const H323MediaFormat& format = audioCodec->GetMediaFormat();
  sound->SetBuffers(static_cast<PINDEX>(format.frameSamples * 2), kSoundBuffers);
  const PString device = transmit ? endpoint.GetSoundChannelRecordDevice() : endpoint.GetSoundChannelPlayDevice();
  if (!sound->Open(device, transmit ? PSoundChannel::Recorder : PSoundChannel::Player, 1, format.clockRate, 16))
    return false;
  audioCodec->AttachChannel(sound.release());
  if (transmit) audioCodec->SetSilenceDetectionMode(endpoint.GetSilenceDetectionMode());

  RTP_MediaPump::Settings settings = RTP_MediaPump::Settings::For(*m_capability, endpoint.GetMaxAudioDelayJitter());
  settings.payloadType = GetRTPPayloadType();
  m_pump = std::make_unique<RTP_MediaPump>(m_session.GetSession(), std::move(audioCodec), settings);
  m_pump->Pause(m_paused);
  if (!m_pump->Start()) {
    m_pump.reset();
    return false;
  }
  return true;
}

void H323_RTPChannel::Close() {
  if (!m_pump) return;
  m_pump->Stop();
  m_pump.reset();  // closes the codec and its sound device
}

void H323_RTPChannel::SetPause(bool paused) {
  m_paused = paused;
  if (m_pump) m_pump->Pause(paused);
}
