#include "stack/h323/H323ControlChannel.h"

#include <random>

#include "stack/asn/H245.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/h323/H323Connection.h"
#include "stack/h323/H323EndPoint.h"
#include "stack/h323/H323_RTPChannel.h"
#include "stack/h323/H323_RTP_UDP.h"

namespace {

using Msg = H245_MultimediaSystemControlMessage;
constexpr const char* kH245ProtocolIdentifier = "0.0.8.245.0.3";
constexpr uint32_t kMsdRange = 1u << 24;     // statusDeterminationNumber is 24 bits
constexpr unsigned kMsdMaxRetries = 3;
constexpr unsigned kGsmFrameBytes = 33;
constexpr unsigned kCauseUnspecified = 0;
constexpr unsigned kCauseUnsuitableReverseParameters = 1;
constexpr unsigned kCauseDataTypeNotSupported = 2;
constexpr unsigned kCauseDataTypeNotAvailable = 3;

uint32_t RandomMsdNumber() {
  static thread_local std::mt19937 rng{std::random_device{}()};
  return rng() % kMsdRange;
}

// The H.245 description of an audio capability with `frames` frames per packet.  The
// capability writes it itself when it can; the common codecs are filled in here.
bool FillAudio(const H323AudioCapability& capability, unsigned frames, H245_AudioCapability& pdu) {
  if (capability.OnSendingPDU(pdu, frames)) return true;
  const unsigned tag = capability.GetSubType();
  switch (tag) {
    case H245_AudioCapability::e_gsmFullRate:
    case H245_AudioCapability::e_gsmHalfRate:
    case H245_AudioCapability::e_gsmEnhancedFullRate: {
      if (!pdu.SetTag(tag)) return false;
      auto& gsm = static_cast<H245_GSMAudioCapability&>(pdu.GetObject());
      gsm.m_audioUnitSize = frames * kGsmFrameBytes;
      const auto* g = dynamic_cast<const H323_GSM0610Capability*>(&capability);
      gsm.m_comfortNoise = g != nullptr && g->m_comfortNoise;
      gsm.m_scrambled = g != nullptr && g->m_scrambled;
      return true;
    }
    case H245_AudioCapability::e_g7231: {
      auto& g = pdu.g7231();
      g.m_maxAl_sduAudioFrames = frames;
      g.m_silenceSuppression = false;
      return true;
    }
    default:
      if (!pdu.SetTag(tag)) return false;
      if (auto* count = dynamic_cast<asn::Integer*>(&pdu.GetObject())) {
        *count = frames;
        return true;
      }
      return false;
  }
}

// Frames per packet of an H.245 audio description that is `capability`'s kind; nothing
// when it is another codec's.
std::optional<unsigned> ReadAudio(H323AudioCapability& capability, const H245_AudioCapability& pdu) {
  if (pdu.GetTag() != capability.GetSubType() || !pdu.IsValid()) return std::nullopt;
  unsigned frames = 0;
  if (capability.OnReceivedPDU(pdu, frames)) return frames;
  const asn::Object& value = pdu.GetObject();
  if (const auto* gsm = dynamic_cast<const H245_GSMAudioCapability*>(&value))
    return std::max<unsigned>(1, static_cast<unsigned>(gsm->m_audioUnitSize.GetValue()) / kGsmFrameBytes);
  if (pdu.GetTag() == H245_AudioCapability::e_g7231)
    return static_cast<unsigned>(pdu.g7231().m_maxAl_sduAudioFrames.GetValue());
  if (const auto* count = dynamic_cast<const asn::Integer*>(&value)) return static_cast<unsigned>(count->GetValue());
  return std::nullopt;
}

// The audio description a capability-table entry can receive, or null.
const H245_AudioCapability* ReceiveAudio(const H245_Capability& capability) {
  switch (capability.GetTag()) {
    case H245_Capability::e_receiveAudioCapability: return &capability.receiveAudioCapability();
    case H245_Capability::e_receiveAndTransmitAudioCapability: return &capability.receiveAndTransmitAudioCapability();
    default: return nullptr;
  }
}

}  // namespace

std::optional<bool> H323ControlChannel::DetermineMasterSlave(unsigned localType, uint32_t localNumber,
                                                             unsigned remoteType, uint32_t remoteNumber) {
  // The larger terminal type is master; between equal types the numbers decide: this
  // side is master when (remote - local) modulo 2^24 lies in the lower half, and a
  // difference of 0 or exactly half the range decides nothing.
  if (localType != remoteType) return localType > remoteType;
  const uint32_t diff = (remoteNumber - localNumber) % kMsdRange;
  if (diff == 0 || diff == kMsdRange / 2) return std::nullopt;
  return diff < kMsdRange / 2;
}

H323ControlChannel::H323ControlChannel(H323Connection& connection) : m_connection(connection) {}

H323ControlChannel::~H323ControlChannel() = default;

void H323ControlChannel::SetSender(Sender sender) {
  PWaitAndSignal lock(m_connection.m_mutex);
  m_sender = std::move(sender);
}

bool H323ControlChannel::Send(const Msg& pdu) {
  Bytes bytes;
  if (!m_sender || !pdu.Encode(bytes)) return false;
  return m_sender(bytes);
}

void H323ControlChannel::Start() {
  PWaitAndSignal lock(m_connection.m_mutex);
  if (m_started) return;
  m_started = true;
  SendCapabilitySet();
  SendMasterSlaveDetermination();
}

void H323ControlChannel::SendCapabilitySet() {
  Msg pdu;
  auto& tcs = pdu.request().terminalCapabilitySet();
  tcs.m_sequenceNumber = ++m_tcsSequence % 256;
  tcs.m_protocolIdentifier.SetValue(std::string_view(kH245ProtocolIdentifier));

  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_multiplexCapability);
  auto& h2250 = tcs.m_multiplexCapability.h2250Capability();
  h2250.m_maximumAudioDelayJitter = std::min(1023u, m_connection.GetEndPoint().GetMaxAudioDelayJitter());
  for (auto* mp : {&h2250.m_receiveMultipointCapability, &h2250.m_transmitMultipointCapability,
                   &h2250.m_receiveAndTransmitMultipointCapability}) {
    mp->m_multicastCapability = false;
    mp->m_multiUniCastConference = false;
  }
  h2250.m_mcCapability.m_centralizedConferenceMC = false;
  h2250.m_mcCapability.m_decentralizedConferenceMC = false;
  h2250.m_rtcpVideoControlCapability = false;
  h2250.m_mediaPacketizationCapability.m_h261aVideoPacketization = false;

  const H323Capabilities& table = m_connection.GetEndPoint().GetCapabilities();
  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_capabilityTable);
  std::vector<unsigned> entries;
  for (PINDEX i = 0; i < table.GetSize(); ++i) {
    const auto* audio = dynamic_cast<const H323AudioCapability*>(table.GetAt(i));
    if (audio == nullptr) continue;
    H245_CapabilityTableEntry entry;
    entry.m_capabilityTableEntryNumber = audio->GetCapabilityNumber();
    entry.IncludeOptionalField(H245_CapabilityTableEntry::e_capability);
    if (!FillAudio(*audio, audio->GetRxFramesInPacket(), entry.m_capability.receiveAudioCapability())) continue;
    tcs.m_capabilityTable.Append() = entry;
    entries.push_back(audio->GetCapabilityNumber());
  }
  // User input as this side takes it: text (alphanumeric, which it also sends) and key
  // signals.  Without these a peer falls back to Q.931 keypad or sends no keys at all.
  unsigned next = 0;
  for (unsigned n : entries) next = std::max(next, n);
  std::vector<unsigned> userInput;
  for (const bool text : {true, false}) {
    H245_CapabilityTableEntry entry;
    entry.m_capabilityTableEntryNumber = ++next;
    entry.IncludeOptionalField(H245_CapabilityTableEntry::e_capability);
    if (text)
      entry.m_capability.receiveAndTransmitUserInputCapability().basicString();
    else
      entry.m_capability.receiveUserInputCapability().dtmf();
    tcs.m_capabilityTable.Append() = entry;
    userInput.push_back(next);
  }
  // One descriptor: any one of the audio capabilities, with each kind of user input.
  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_capabilityDescriptors);
  auto& descriptor = tcs.m_capabilityDescriptors.Append();
  descriptor.m_capabilityDescriptorNumber = 1;
  descriptor.IncludeOptionalField(H245_CapabilityDescriptor::e_simultaneousCapabilities);
  if (!entries.empty()) {
    auto& alternatives = descriptor.m_simultaneousCapabilities.Append();
    for (unsigned n : entries) alternatives.Append() = n;
  }
  for (unsigned n : userInput) descriptor.m_simultaneousCapabilities.Append().Append() = n;
  m_localTcsAcked = false;
  Send(pdu);
}

void H323ControlChannel::SendMasterSlaveDetermination() {
  m_msdNumber = RandomMsdNumber();
  m_msdState = MsdState::Outgoing;
  Msg pdu;
  auto& msd = pdu.request().masterSlaveDetermination();
  msd.m_terminalType = kTerminalType;
  msd.m_statusDeterminationNumber = m_msdNumber;
  Send(pdu);
}

bool H323ControlChannel::OnReceived(const Bytes& bytes) {
  Msg pdu;
  if (!pdu.Decode(bytes)) return false;
  PWaitAndSignal lock(m_connection.m_mutex);
  switch (pdu.GetTag()) {
    case Msg::e_request: OnRequest(pdu); break;
    case Msg::e_response: OnResponse(pdu); break;
    case Msg::e_command: OnCommand(pdu); break;
    case Msg::e_indication: OnIndication(pdu); break;
    default: break;
  }
  return true;
}

void H323ControlChannel::OnRequest(const Msg& pdu) {
  const H245_RequestMessage& request = pdu.request();
  Msg reply;
  switch (request.GetTag()) {
    case H245_RequestMessage::e_masterSlaveDetermination: {
      const auto& msd = request.masterSlaveDetermination();
      const auto decision = DetermineMasterSlave(
          kTerminalType, m_msdNumber, static_cast<unsigned>(msd.m_terminalType.GetValue()),
          static_cast<uint32_t>(msd.m_statusDeterminationNumber.GetValue()));
      if (!decision) {
        // Indeterminate: refuse, and try again with a new number.
        reply.response().masterSlaveDeterminationReject().m_cause.SetTag(0);
        Send(reply);
        if (++m_msdRetries <= kMsdMaxRetries) SendMasterSlaveDetermination();
        return;
      }
      const bool remoteIsMaster = !*decision;
      m_master = *decision;
      // The peer's acknowledgement of this one ends the procedure.
      m_msdState = MsdState::Incoming;
      auto& ack = reply.response().masterSlaveDeterminationAck();
      ack.m_decision.SetTag(remoteIsMaster ? H245_MasterSlaveDeterminationAck_decision::e_master
                                           : H245_MasterSlaveDeterminationAck_decision::e_slave);
      Send(reply);
      TryOpenTransmitChannel();
      return;
    }
    case H245_RequestMessage::e_terminalCapabilitySet: {
      const auto& tcs = request.terminalCapabilitySet();
      m_remoteCapabilities.clear();
      if (tcs.HasOptionalField(H245_TerminalCapabilitySet::e_capabilityTable)) {
        for (size_t i = 0; i < tcs.m_capabilityTable.GetSize(); ++i) {
          const auto& entry = tcs.m_capabilityTable[i];
          if (!entry.HasOptionalField(H245_CapabilityTableEntry::e_capability)) continue;
          m_remoteCapabilities[static_cast<unsigned>(entry.m_capabilityTableEntryNumber.GetValue())] =
              std::make_unique<H245_Capability>(entry.m_capability);
        }
      }
      m_remoteTcsReceived = true;
      reply.response().terminalCapabilitySetAck().m_sequenceNumber = tcs.m_sequenceNumber.GetValue();
      Send(reply);
      TryOpenTransmitChannel();
      return;
    }
    case H245_RequestMessage::e_openLogicalChannel:
      OnOpenLogicalChannel(request.openLogicalChannel(), reply);
      Send(reply);
      return;
    case H245_RequestMessage::e_closeLogicalChannel: {
      const unsigned number = static_cast<unsigned>(request.closeLogicalChannel().m_forwardLogicalChannelNumber.GetValue());
      m_connection.CloseChannel(number, H323_RTPChannel::IsReceiver);
      reply.response().closeLogicalChannelAck().m_forwardLogicalChannelNumber = number;
      Send(reply);
      return;
    }
    case H245_RequestMessage::e_requestChannelClose: {
      const unsigned number = static_cast<unsigned>(request.requestChannelClose().m_forwardLogicalChannelNumber.GetValue());
      reply.response().requestChannelCloseAck().m_forwardLogicalChannelNumber = number;
      Send(reply);
      CloseChannel(number);
      return;
    }
    case H245_RequestMessage::e_roundTripDelayRequest:
      reply.response().roundTripDelayResponse().m_sequenceNumber =
          request.roundTripDelayRequest().m_sequenceNumber.GetValue();
      Send(reply);
      return;
    default:
      // Anything else is answered as not understood, so the peer does not wait for ever.
      reply.indication().functionNotUnderstood().request() = request;
      Send(reply);
      return;
  }
}

void H323ControlChannel::OnResponse(const Msg& pdu) {
  const H245_ResponseMessage& response = pdu.response();
  switch (response.GetTag()) {
    case H245_ResponseMessage::e_masterSlaveDeterminationAck:
      if (m_msdState == MsdState::Outgoing) {
        // The peer decided on this side's request alone: it names this side's part, and
        // waits for this side's acknowledgement, which names the peer's.
        m_master = response.masterSlaveDeterminationAck().m_decision.GetTag() ==
                   H245_MasterSlaveDeterminationAck_decision::e_master;
        Msg ack;
        ack.response().masterSlaveDeterminationAck().m_decision.SetTag(
            *m_master ? H245_MasterSlaveDeterminationAck_decision::e_slave
                      : H245_MasterSlaveDeterminationAck_decision::e_master);
        Send(ack);
      }
      // Incoming: the answer to this side's acknowledgement, with the decision already
      // taken here.  Either way the procedure is done; a late duplicate changes nothing.
      if (m_msdState == MsdState::Outgoing || m_msdState == MsdState::Incoming) m_msdState = MsdState::Done;
      TryOpenTransmitChannel();
      break;
    case H245_ResponseMessage::e_masterSlaveDeterminationReject:
      if (m_msdState == MsdState::Outgoing && ++m_msdRetries <= kMsdMaxRetries) SendMasterSlaveDetermination();
      break;
    case H245_ResponseMessage::e_terminalCapabilitySetAck:
      if (static_cast<unsigned>(response.terminalCapabilitySetAck().m_sequenceNumber.GetValue()) ==
          m_tcsSequence % 256) {
        m_localTcsAcked = true;
        TryOpenTransmitChannel();
      }
      break;
    case H245_ResponseMessage::e_openLogicalChannelAck:
      OnOpenLogicalChannelAck(pdu);
      break;
    case H245_ResponseMessage::e_openLogicalChannelReject: {
      const unsigned number =
          static_cast<unsigned>(response.openLogicalChannelReject().m_forwardLogicalChannelNumber.GetValue());
      if (m_pendingTransmit.erase(number) > 0) m_transmitOpening = false;
      break;
    }
    case H245_ResponseMessage::e_roundTripDelayResponse:
      if (static_cast<unsigned>(response.roundTripDelayResponse().m_sequenceNumber.GetValue()) == m_rtdSequence % 256)
        m_roundTripDelay = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_rtdSent);
      break;
    default: break;  // acknowledgements that need no action
  }
}

void H323ControlChannel::OnCommand(const Msg& pdu) {
  const H245_CommandMessage& command = pdu.command();
  if (command.GetTag() != H245_CommandMessage::e_endSessionCommand) return;
  m_endSessionReceived = true;
  // The answer to this side's end of session: clearing goes on.
  if (m_connection.IsClearing()) {
    m_connection.OnClearingProgress();
    return;
  }
  // Before the answer the call's end is decided by the Release Complete that follows.
  if (!m_connection.IsEstablished()) return;
  SendEndSession();
  m_connection.ClearCall(H323Connection::EndedByRemoteUser);
}

void H323ControlChannel::OnIndication(const Msg& pdu) {
  const H245_IndicationMessage& indication = pdu.indication();
  if (indication.GetTag() != H245_IndicationMessage::e_userInput) return;
  const H245_UserInputIndication& input = indication.userInput();
  PString value;
  switch (input.GetTag()) {
    case H245_UserInputIndication::e_alphanumeric: value = PString(input.alphanumeric().GetValue()); break;
    case H245_UserInputIndication::e_signal: value = PString(input.signal().m_signalType.GetValue()); break;
    case H245_UserInputIndication::e_extendedAlphanumeric:
      value = PString(input.extendedAlphanumeric().m_alphanumeric.GetValue());
      break;
    default: return;  // signal updates, support indications: nothing to report
  }
  if (!value.IsEmpty()) m_connection.OnUserInputString(value);
}

const H323AudioCapability* H323ControlChannel::FindLocalAudio(unsigned audioTag) const {
  const H323Capabilities& table = m_connection.GetEndPoint().GetCapabilities();
  for (PINDEX i = 0; i < table.GetSize(); ++i) {
    const auto* audio = dynamic_cast<const H323AudioCapability*>(table.GetAt(i));
    if (audio != nullptr && audio->GetSubType() == audioTag) return audio;
  }
  return nullptr;
}

void H323ControlChannel::TryOpenTransmitChannel() {
  if (!IsCapabilityExchangeDone() || !m_master.has_value() || m_transmitOpening) return;
  for (H323_RTPChannel* c : m_connection.GetChannels())
    if (c->GetDirection() == H323_RTPChannel::IsTransmitter) return;
  // The first local capability (in table order) that the peer can receive.
  const H323Capabilities& table = m_connection.GetEndPoint().GetCapabilities();
  for (PINDEX i = 0; i < table.GetSize(); ++i) {
    const auto* local = dynamic_cast<const H323AudioCapability*>(table.GetAt(i));
    if (local == nullptr) continue;
    for (const auto& [number, remote] : m_remoteCapabilities) {
      const H245_AudioCapability* audio = ReceiveAudio(*remote);
      if (audio == nullptr) continue;
      std::unique_ptr<H323AudioCapability> chosen(static_cast<H323AudioCapability*>(local->Clone()));
      const auto remoteFrames = ReadAudio(*chosen, *audio);
      if (!remoteFrames) continue;
      const unsigned frames = std::max(1u, std::min(local->GetTxFramesInPacket(), *remoteFrames));
      chosen->SetTxFramesInPacket(frames);
      auto channel = m_connection.CreateChannel(*chosen, H323_RTPChannel::IsTransmitter, GetAudioSessionID());
      if (!channel) return;
      channel->SetNumber(++m_lastChannelNumber);
      Msg pdu;
      auto& open = pdu.request().openLogicalChannel();
      open.m_forwardLogicalChannelNumber = channel->GetNumber();
      auto& forward = open.m_forwardLogicalChannelParameters;
      if (!FillAudio(*chosen, frames, forward.m_dataType.audioData())) return;
      channel->GetRTPSession().OnSendingPDU(*channel, forward.m_multiplexParameters.h2250LogicalChannelParameters());
      m_transmitOpening = true;
      const unsigned n = channel->GetNumber();
      m_pendingTransmit[n] = std::move(channel);
      Send(pdu);
      return;
    }
  }
}

void H323ControlChannel::OnOpenLogicalChannelAck(const Msg& pdu) {
  const auto& ack = pdu.response().openLogicalChannelAck();
  const unsigned number = static_cast<unsigned>(ack.m_forwardLogicalChannelNumber.GetValue());
  auto it = m_pendingTransmit.find(number);
  if (it == m_pendingTransmit.end()) return;
  std::unique_ptr<H323_RTPChannel> channel = std::move(it->second);
  m_pendingTransmit.erase(it);
  m_transmitOpening = false;
  const bool h2250 = ack.HasOptionalField(H245_OpenLogicalChannelAck::e_forwardMultiplexAckParameters) &&
                     ack.m_forwardMultiplexAckParameters.GetTag() ==
                         H245_OpenLogicalChannelAck_forwardMultiplexAckParameters::e_h2250LogicalChannelAckParameters;
  if (h2250) {
    const auto& param = ack.m_forwardMultiplexAckParameters.h2250LogicalChannelAckParameters();
    // A master may put this side's channel in a session of its choosing.
    if (m_master == false && param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_sessionID) &&
        param.m_sessionID.GetValue() > 0) {
      const auto session = static_cast<unsigned>(param.m_sessionID.GetValue());
      channel = MoveToSession(std::move(channel), session);
      if (m_audioSession == 0) m_audioSession = session;
    }
    if (channel && channel->GetRTPSession().OnReceivedAckPDU(*channel, param) &&
        m_connection.StartChannel(std::move(channel)) != nullptr)
      return;
  }
  Msg close;
  auto& clc = close.request().closeLogicalChannel();
  clc.m_forwardLogicalChannelNumber = number;
  clc.m_source.lcse();
  Send(close);
}

std::unique_ptr<H323_RTPChannel> H323ControlChannel::MoveToSession(std::unique_ptr<H323_RTPChannel> channel,
                                                                   unsigned session) {
  if (!channel || channel->GetRTPSession().GetSessionID() == session) return channel;
  auto moved = m_connection.CreateChannel(channel->GetCapability(), channel->GetDirection(), session);
  if (moved) moved->SetNumber(channel->GetNumber());
  return moved;
}

unsigned H323ControlChannel::TakeSession(int64_t proposed) {
  const unsigned session = proposed > 0 ? static_cast<unsigned>(proposed) : GetAudioSessionID();
  if (m_audioSession == 0) m_audioSession = session;
  return session;
}

bool H323ControlChannel::OnOpenLogicalChannel(const H245_OpenLogicalChannel& open, Msg& reply) {
  const unsigned number = static_cast<unsigned>(open.m_forwardLogicalChannelNumber.GetValue());
  auto reject = [&](unsigned cause) {
    auto& r = reply.response().openLogicalChannelReject();
    r.m_forwardLogicalChannelNumber = number;
    if (!r.m_cause.SetTag(cause)) r.m_cause.SetTag(kCauseUnspecified);
    return false;
  };
  const auto& forward = open.m_forwardLogicalChannelParameters;
  if (open.HasOptionalField(H245_OpenLogicalChannel::e_reverseLogicalChannelParameters))
    return reject(kCauseUnsuitableReverseParameters);
  if (forward.m_dataType.GetTag() != H245_DataType::e_audioData) return reject(kCauseDataTypeNotSupported);
  const H245_AudioCapability& audio = forward.m_dataType.audioData();
  const H323AudioCapability* local = FindLocalAudio(audio.GetTag());
  if (local == nullptr) return reject(kCauseDataTypeNotSupported);
  std::unique_ptr<H323AudioCapability> chosen(static_cast<H323AudioCapability*>(local->Clone()));
  if (!ReadAudio(*chosen, audio)) return reject(kCauseDataTypeNotSupported);
  if (forward.m_multiplexParameters.GetTag() !=
      H245_OpenLogicalChannel_forwardLogicalChannelParameters_multiplexParameters::e_h2250LogicalChannelParameters)
    return reject(kCauseUnspecified);
  const int64_t proposed = forward.m_multiplexParameters.h2250LogicalChannelParameters().m_sessionID.GetValue();
  auto channel = m_connection.CreateChannel(*chosen, H323_RTPChannel::IsReceiver, TakeSession(proposed));
  if (!channel) return reject(kCauseDataTypeNotAvailable);
  channel->SetNumber(number);
  unsigned errorCode = kCauseUnspecified;
  if (!channel->GetRTPSession().OnReceivedPDU(*channel, forward.m_multiplexParameters.h2250LogicalChannelParameters(),
                                             errorCode))
    return reject(errorCode);
  auto& ack = reply.response().openLogicalChannelAck();
  ack.m_forwardLogicalChannelNumber = number;
  ack.IncludeOptionalField(H245_OpenLogicalChannelAck::e_forwardMultiplexAckParameters);
  channel->GetRTPSession().OnSendingAckPDU(*channel,
                                           ack.m_forwardMultiplexAckParameters.h2250LogicalChannelAckParameters());
  if (m_connection.StartChannel(std::move(channel)) == nullptr) return reject(kCauseDataTypeNotAvailable);
  return true;
}

bool H323ControlChannel::CloseChannel(unsigned number) {
  PWaitAndSignal lock(m_connection.m_mutex);
  if (!m_connection.CloseChannel(number, H323_RTPChannel::IsTransmitter)) return false;
  Msg pdu;
  auto& clc = pdu.request().closeLogicalChannel();
  clc.m_forwardLogicalChannelNumber = number;
  clc.m_source.user();
  return Send(pdu);
}

bool H323ControlChannel::RequestChannelClose(unsigned number) {
  PWaitAndSignal lock(m_connection.m_mutex);
  Msg pdu;
  pdu.request().requestChannelClose().m_forwardLogicalChannelNumber = number;
  return Send(pdu);
}

bool H323ControlChannel::SendUserInput(const PString& value) {
  PWaitAndSignal lock(m_connection.m_mutex);
  if (!m_started || value.IsEmpty()) return false;
  Msg pdu;
  pdu.indication().userInput().alphanumeric() = value.view();
  return Send(pdu);
}

bool H323ControlChannel::SendEndSession() {
  PWaitAndSignal lock(m_connection.m_mutex);
  if (!m_started || m_endSessionSent) return false;
  m_endSessionSent = true;
  Msg pdu;
  pdu.command().endSessionCommand().disconnect();
  return Send(pdu);
}

bool H323ControlChannel::SendRoundTripDelayRequest() {
  PWaitAndSignal lock(m_connection.m_mutex);
  if (!m_started) return false;
  Msg pdu;
  pdu.request().roundTripDelayRequest().m_sequenceNumber = ++m_rtdSequence % 256;
  m_rtdSent = std::chrono::steady_clock::now();
  return Send(pdu);
}

std::vector<unsigned> H323ControlChannel::GetRemoteReceiveAudio() const {
  std::vector<unsigned> tags;
  for (const auto& [number, capability] : m_remoteCapabilities)
    if (const H245_AudioCapability* audio = ReceiveAudio(*capability)) tags.push_back(audio->GetTag());
  return tags;
}

// --- Fast start

std::vector<H323ControlChannel::Bytes> H323ControlChannel::BuildFastStartProposals() {
  PWaitAndSignal lock(m_connection.m_mutex);
  std::vector<Bytes> proposals;
  const H323Capabilities& table = m_connection.GetEndPoint().GetCapabilities();
  for (PINDEX i = 0; i < table.GetSize(); ++i) {
    const auto* local = dynamic_cast<const H323AudioCapability*>(table.GetAt(i));
    if (local == nullptr) continue;
    // This side sends: forward parameters with the local RTCP address.
    auto transmit = m_connection.CreateChannel(*local, H323_RTPChannel::IsTransmitter, kAudioSessionID);
    if (!transmit) break;
    transmit->SetNumber(++m_lastChannelNumber);
    H245_OpenLogicalChannel open;
    open.m_forwardLogicalChannelNumber = transmit->GetNumber();
    auto& forward = open.m_forwardLogicalChannelParameters;
    if (!FillAudio(*local, local->GetTxFramesInPacket(), forward.m_dataType.audioData())) continue;
    transmit->GetRTPSession().OnSendingPDU(*transmit, forward.m_multiplexParameters.h2250LogicalChannelParameters());
    Bytes bytes;
    if (open.Encode(bytes)) {
      proposals.push_back(bytes);
      const unsigned number = transmit->GetNumber();
      m_fastStartTransmit[number] = std::move(transmit);
    }
    // This side receives: reverse parameters with the local RTP and RTCP addresses.
    H323_RTPChannel receiver(m_connection, *local, H323_RTPChannel::IsReceiver,
                             *m_connection.UseSession(kAudioSessionID));
    H245_OpenLogicalChannel reverseOpen;
    reverseOpen.m_forwardLogicalChannelNumber = ++m_lastChannelNumber;
    reverseOpen.m_forwardLogicalChannelParameters.m_dataType.nullData();
    reverseOpen.m_forwardLogicalChannelParameters.m_multiplexParameters.none();
    reverseOpen.IncludeOptionalField(H245_OpenLogicalChannel::e_reverseLogicalChannelParameters);
    auto& reverse = reverseOpen.m_reverseLogicalChannelParameters;
    if (!FillAudio(*local, local->GetRxFramesInPacket(), reverse.m_dataType.audioData())) continue;
    reverse.IncludeOptionalField(H245_OpenLogicalChannel_reverseLogicalChannelParameters::e_multiplexParameters);
    receiver.GetRTPSession().OnSendingPDU(receiver, reverse.m_multiplexParameters.h2250LogicalChannelParameters());
    if (reverseOpen.Encode(bytes)) proposals.push_back(bytes);
  }
  return proposals;
}

std::vector<H323ControlChannel::Bytes> H323ControlChannel::AnswerFastStart(const std::vector<Bytes>& proposals) {
  PWaitAndSignal lock(m_connection.m_mutex);
  std::vector<Bytes> answers;
  bool haveReceive = false, haveTransmit = false;
  for (const Bytes& bytes : proposals) {
    H245_OpenLogicalChannel open;
    if (!open.Decode(bytes)) continue;
    const auto& forward = open.m_forwardLogicalChannelParameters;
    const bool peerSends = forward.m_dataType.GetTag() == H245_DataType::e_audioData;
    const bool peerReceives = open.HasOptionalField(H245_OpenLogicalChannel::e_reverseLogicalChannelParameters) &&
                              open.m_reverseLogicalChannelParameters.m_dataType.GetTag() == H245_DataType::e_audioData;
    if (peerSends && !haveReceive) {
      if (forward.m_multiplexParameters.GetTag() !=
          H245_OpenLogicalChannel_forwardLogicalChannelParameters_multiplexParameters::e_h2250LogicalChannelParameters)
        continue;
      const H323AudioCapability* local = FindLocalAudio(forward.m_dataType.audioData().GetTag());
      if (local == nullptr) continue;
      std::unique_ptr<H323AudioCapability> chosen(static_cast<H323AudioCapability*>(local->Clone()));
      if (!ReadAudio(*chosen, forward.m_dataType.audioData())) continue;
      auto channel = m_connection.CreateChannel(
          *chosen, H323_RTPChannel::IsReceiver,
          TakeSession(forward.m_multiplexParameters.h2250LogicalChannelParameters().m_sessionID.GetValue()));
      if (!channel) continue;
      channel->SetNumber(static_cast<unsigned>(open.m_forwardLogicalChannelNumber.GetValue()));
      unsigned errorCode = 0;
      if (!channel->GetRTPSession().OnReceivedPDU(*channel, forward.m_multiplexParameters.h2250LogicalChannelParameters(),
                                                 errorCode))
        continue;
      H245_OpenLogicalChannel answer = open;
      auto& param = answer.m_forwardLogicalChannelParameters.m_multiplexParameters.h2250LogicalChannelParameters();
      param = H245_H2250LogicalChannelParameters();
      channel->GetRTPSession().OnSendingPDU(*channel, param);
      Bytes encoded;
      if (!answer.Encode(encoded) || m_connection.StartChannel(std::move(channel)) == nullptr) continue;
      answers.push_back(encoded);
      haveReceive = true;
    } else if (peerReceives && !haveTransmit) {
      const auto& reverse = open.m_reverseLogicalChannelParameters;
      if (!reverse.HasOptionalField(H245_OpenLogicalChannel_reverseLogicalChannelParameters::e_multiplexParameters) ||
          reverse.m_multiplexParameters.GetTag() !=
              H245_OpenLogicalChannel_reverseLogicalChannelParameters_multiplexParameters::e_h2250LogicalChannelParameters)
        continue;
      const H323AudioCapability* local = FindLocalAudio(reverse.m_dataType.audioData().GetTag());
      if (local == nullptr) continue;
      std::unique_ptr<H323AudioCapability> chosen(static_cast<H323AudioCapability*>(local->Clone()));
      const auto frames = ReadAudio(*chosen, reverse.m_dataType.audioData());
      if (!frames) continue;
      chosen->SetTxFramesInPacket(std::max(1u, std::min(local->GetTxFramesInPacket(), *frames)));
      auto channel = m_connection.CreateChannel(
          *chosen, H323_RTPChannel::IsTransmitter,
          TakeSession(reverse.m_multiplexParameters.h2250LogicalChannelParameters().m_sessionID.GetValue()));
      if (!channel) continue;
      channel->SetNumber(static_cast<unsigned>(open.m_forwardLogicalChannelNumber.GetValue()));
      unsigned errorCode = 0;
      if (!channel->GetRTPSession().OnReceivedPDU(*channel, reverse.m_multiplexParameters.h2250LogicalChannelParameters(),
                                                 errorCode))
        continue;
      H245_OpenLogicalChannel answer = open;
      auto& param = answer.m_reverseLogicalChannelParameters.m_multiplexParameters.h2250LogicalChannelParameters();
      param = H245_H2250LogicalChannelParameters();
      channel->GetRTPSession().OnSendingPDU(*channel, param);
      Bytes encoded;
      if (!answer.Encode(encoded) || m_connection.StartChannel(std::move(channel)) == nullptr) continue;
      answers.push_back(encoded);
      haveTransmit = true;
    }
  }
  m_fastStartUsed = !answers.empty();
  return answers;
}

bool H323ControlChannel::OnFastStartAnswer(const std::vector<Bytes>& answer) {
  PWaitAndSignal lock(m_connection.m_mutex);
  if (m_fastStartAnswered) return false;
  m_fastStartAnswered = true;
  bool started = false;
  for (const Bytes& bytes : answer) {
    H245_OpenLogicalChannel open;
    if (!open.Decode(bytes)) continue;
    const unsigned number = static_cast<unsigned>(open.m_forwardLogicalChannelNumber.GetValue());
    const auto& forward = open.m_forwardLogicalChannelParameters;
    unsigned errorCode = 0;
    if (forward.m_dataType.GetTag() == H245_DataType::e_audioData) {
      // The peer accepted what this side sends: its RTP address is in the answer.
      auto it = m_fastStartTransmit.find(number);
      if (it == m_fastStartTransmit.end() ||
          forward.m_multiplexParameters.GetTag() !=
              H245_OpenLogicalChannel_forwardLogicalChannelParameters_multiplexParameters::e_h2250LogicalChannelParameters)
        continue;
      const auto& param = forward.m_multiplexParameters.h2250LogicalChannelParameters();
      std::unique_ptr<H323_RTPChannel> channel = std::move(it->second);
      m_fastStartTransmit.erase(it);
      channel = MoveToSession(std::move(channel), TakeSession(param.m_sessionID.GetValue()));
      if (!channel || !channel->GetRTPSession().OnReceivedPDU(*channel, param, errorCode)) continue;
      started = m_connection.StartChannel(std::move(channel)) != nullptr || started;
    } else if (open.HasOptionalField(H245_OpenLogicalChannel::e_reverseLogicalChannelParameters)) {
      const auto& reverse = open.m_reverseLogicalChannelParameters;
      if (reverse.m_dataType.GetTag() != H245_DataType::e_audioData ||
          !reverse.HasOptionalField(H245_OpenLogicalChannel_reverseLogicalChannelParameters::e_multiplexParameters) ||
          reverse.m_multiplexParameters.GetTag() !=
              H245_OpenLogicalChannel_reverseLogicalChannelParameters_multiplexParameters::e_h2250LogicalChannelParameters)
        continue;
      const H323AudioCapability* local = FindLocalAudio(reverse.m_dataType.audioData().GetTag());
      if (local == nullptr) continue;
      auto channel = m_connection.CreateChannel(
          *local, H323_RTPChannel::IsReceiver,
          TakeSession(reverse.m_multiplexParameters.h2250LogicalChannelParameters().m_sessionID.GetValue()));
      if (!channel) continue;
      channel->SetNumber(number);
      if (!channel->GetRTPSession().OnReceivedPDU(*channel, reverse.m_multiplexParameters.h2250LogicalChannelParameters(),
                                                 errorCode))
        continue;
      started = m_connection.StartChannel(std::move(channel)) != nullptr || started;
    }
  }
  m_fastStartTransmit.clear();  // proposals not accepted
  m_fastStartUsed = started;
  return started;
}
