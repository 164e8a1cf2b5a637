// One call between an endpoint (GSM, fast start off unless asked) and a scripted peer
// that speaks call signalling and tunnelled H.245 by hand, placed by either side; and the
// H.245 messages such a peer sends and looks for.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AudioEndPoint.h"
#include "CallFixture.h"
#include "stack/asn/H245.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/h323/H323ControlChannel.h"

namespace h323test {

using Msg = H245_MultimediaSystemControlMessage;
using Body = H323UserInformation::Body;
constexpr unsigned kTerminal = H323ControlChannel::kTerminalType;
constexpr uint32_t kRange = 1u << 24;

inline std::vector<uint8_t> Encoded(const Msg& m) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(m.Encode(bytes));
  return bytes;
}

// A capability set with GSM full rate to receive.
inline Msg CapabilitySet(unsigned sequence) {
  Msg m;
  auto& tcs = m.request().terminalCapabilitySet();
  tcs.m_sequenceNumber = sequence;
  tcs.m_protocolIdentifier.SetValue(std::string_view("0.0.8.245.0.7"));
  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_capabilityTable);
  auto& entry = tcs.m_capabilityTable.Append();
  entry.m_capabilityTableEntryNumber = 1;
  entry.IncludeOptionalField(H245_CapabilityTableEntry::e_capability);
  entry.m_capability.receiveAudioCapability().SetTag(H245_AudioCapability::e_gsmFullRate);
  static_cast<H245_GSMAudioCapability&>(entry.m_capability.receiveAudioCapability().GetObject()).m_audioUnitSize = 33;
  return m;
}

inline Msg MasterSlave(unsigned terminalType, uint32_t number) {
  Msg m;
  auto& msd = m.request().masterSlaveDetermination();
  msd.m_terminalType = terminalType;
  msd.m_statusDeterminationNumber = number % kRange;
  return m;
}

// The acknowledgement naming what its receiver is.
inline Msg MasterSlaveAck(bool receiverIsMaster) {
  Msg m;
  m.response().masterSlaveDeterminationAck().m_decision.SetTag(
      receiverIsMaster ? H245_MasterSlaveDeterminationAck_decision::e_master
                       : H245_MasterSlaveDeterminationAck_decision::e_slave);
  return m;
}

inline Msg CapabilitySetAck(unsigned sequence) {
  Msg m;
  m.response().terminalCapabilitySetAck().m_sequenceNumber = sequence;
  return m;
}

inline Msg EndSession() {
  Msg m;
  m.command().endSessionCommand().disconnect();
  return m;
}

// An IPv4 unicast transport address on loopback.
inline void SetLoopback(H245_TransportAddress& pdu, unsigned port) {
  auto& ip = pdu.unicastAddress().iPAddress();
  const uint8_t loopback[4] = {127, 0, 0, 1};
  ip.m_network.SetValue(loopback, 4);
  ip.m_tsapIdentifier = port;
}

// The peer opens GSM audio towards the endpoint in `session`, its RTCP at `rtcpPort`.
inline Msg OpenAudio(unsigned channel, unsigned session, unsigned rtcpPort) {
  Msg m;
  auto& open = m.request().openLogicalChannel();
  open.m_forwardLogicalChannelNumber = channel;
  auto& forward = open.m_forwardLogicalChannelParameters;
  forward.m_dataType.audioData().SetTag(H245_AudioCapability::e_gsmFullRate);
  static_cast<H245_GSMAudioCapability&>(forward.m_dataType.audioData().GetObject()).m_audioUnitSize = 4 * 33;
  auto& param = forward.m_multiplexParameters.h2250LogicalChannelParameters();
  param.m_sessionID = session;
  param.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_mediaControlChannel);
  SetLoopback(param.m_mediaControlChannel, rtcpPort);
  return m;
}

// The peer accepts the endpoint's channel `channel`, receiving at `rtpPort` (and RTCP one
// above), naming `session` in the acknowledgement when it is not 0.
inline Msg OpenAudioAck(unsigned channel, unsigned rtpPort, unsigned session = 0) {
  Msg m;
  auto& ack = m.response().openLogicalChannelAck();
  ack.m_forwardLogicalChannelNumber = channel;
  ack.IncludeOptionalField(H245_OpenLogicalChannelAck::e_forwardMultiplexAckParameters);
  auto& param = ack.m_forwardMultiplexAckParameters.h2250LogicalChannelAckParameters();
  if (session != 0) {
    param.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_sessionID);
    param.m_sessionID = session;
  }
  param.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaChannel);
  SetLoopback(param.m_mediaChannel, rtpPort);
  param.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaControlChannel);
  SetLoopback(param.m_mediaControlChannel, rtpPort + 1);
  return m;
}

inline std::function<bool(const Msg&)> Request(unsigned tag) {
  return [tag](const Msg& m) { return m.GetTag() == Msg::e_request && m.request().GetTag() == tag; };
}
inline std::function<bool(const Msg&)> Response(unsigned tag) {
  return [tag](const Msg& m) { return m.GetTag() == Msg::e_response && m.response().GetTag() == tag; };
}
inline std::function<bool(const Msg&)> Command(unsigned tag) {
  return [tag](const Msg& m) { return m.GetTag() == Msg::e_command && m.command().GetTag() == tag; };
}

// The H.245 messages tunnelled in the endpoint's messages so far.
inline std::vector<Msg> FromEndpoint(const std::vector<ScriptedPeer::Packet>& packets) {
  std::vector<Msg> found;
  for (const auto& p : packets) {
    Q931 q;
    H323SignalPDU pdu;
    if (p.fromPeer || !q.Decode(p.payload) || !pdu.Read(q)) continue;
    for (const auto& bytes : pdu.m_userInfo.h245Control) {
      Msg m;
      if (m.Decode(bytes)) found.push_back(m);
    }
  }
  return found;
}

inline std::string MessageType(uint8_t type) {
  char text[8];
  snprintf(text, sizeof text, "0x%02x", type);
  return text;
}

// The Q.931 type of each of the endpoint's messages so far, in order.
inline std::vector<uint8_t> EndpointMessageTypes(const std::vector<ScriptedPeer::Packet>& packets) {
  std::vector<uint8_t> types;
  for (const auto& p : packets) {
    Q931 q;
    if (!p.fromPeer && q.Decode(p.payload)) types.push_back(q.GetMessageType());
  }
  return types;
}

class PeerCall {
 public:
  explicit PeerCall(bool peerCalls, bool tunnelling = true, bool fastStart = false)
      : m_peerCalls(peerCalls), m_tunnelling(tunnelling) {
    endpoint.SetCapability(P_MAX_INDEX, P_MAX_INDEX, new H323_GSM0610Capability);
    endpoint.DisableFastStart(!fastStart);
    endpoint.SetRtpIpPorts(0, 0);
  }

  // The endpoint calls the peer and the peer has its Setup (kept in `setup`); or the peer
  // calls the endpoint with a Setup carrying `h245`, and fast-start proposals when given.
  bool Start(const std::vector<Msg>& h245 = {}, const std::vector<std::vector<uint8_t>>& fastStart = {}) {
    if (m_peerCalls) {
      if (!peer.Connect(EndpointAddress())) return false;
      m_ref = 77;
      m_callId = H323NewGuid();
      return Send(Q931::SetupMsg, H323UserInformation::e_setup, h245, fastStart);
    }
    if (endpoint.MakeCall(peer.Listen(), token) == nullptr) return false;
    auto received = peer.WaitFor(Q931::SetupMsg);
    if (!received || !setup.Read(*received)) return false;
    m_ref = received->GetCallReference();
    m_callId = setup.m_userInfo.callIdentifier;
    return true;
  }

  bool Send(uint8_t type, Body body, const std::vector<Msg>& h245 = {},
            const std::vector<std::vector<uint8_t>>& fastStart = {}) {
    H323SignalPDU pdu = ScriptedPeer::Message(type, body, m_ref, !m_peerCalls);
    pdu.m_userInfo.callIdentifier = m_callId;
    pdu.m_userInfo.h245Tunnelling = m_tunnelling;
    for (const Msg& m : h245) pdu.m_userInfo.h245Control.push_back(Encoded(m));
    if (!fastStart.empty()) {
      pdu.m_userInfo.hasFastStart = true;
      pdu.m_userInfo.fastStart = fastStart;
    }
    if (type == Q931::ReleaseCompleteMsg) pdu.m_q931pdu.SetCause(Q931::NormalCallClearing);
    return peer.SendPDU(pdu);
  }
  bool SendH245(const std::vector<Msg>& h245) { return Send(Q931::FacilityMsg, H323UserInformation::e_facility, h245); }
  // Where the endpoint listens (it starts listening on the first call).
  PString EndpointAddress() {
    if (m_address.IsEmpty()) m_address = endpoint.Listen();
    return m_address;
  }
  // The peer answers the endpoint's Setup (after any earlier answer it was sent).
  bool Answer() { return Send(Q931::ConnectMsg, H323UserInformation::e_connect); }

  // The first tunnelled message from the endpoint that `match` accepts.
  std::optional<Msg> WaitH245(const std::function<bool(const Msg&)>& match) {
    std::optional<Msg> found;
    peer.WaitPackets([&](const std::vector<ScriptedPeer::Packet>& packets) {
      for (const Msg& m : FromEndpoint(packets))
        if (match(m)) {
          found = m;
          return true;
        }
      return false;
    });
    return found;
  }
  // How many of the endpoint's tunnelled messages so far `match` accepts.
  size_t CountH245(const std::function<bool(const Msg&)>& match) {
    size_t n = 0;
    for (const Msg& m : FromEndpoint(peer.Packets())) n += match(m) ? 1 : 0;
    return n;
  }

  // Runs `fn` on the endpoint's connection under its lock; false when it is gone.
  bool AtEndpoint(const std::function<void(H323Connection&)>& fn) {
    H323Connection* c = endpoint.FindConnectionWithLock(CallToken());
    if (c == nullptr) return false;
    fn(*c);
    c->Unlock();
    return true;
  }
  // The endpoint's view of master/slave determination.
  std::optional<bool> EndpointIsMaster() {
    std::optional<bool> master;
    AtEndpoint([&](H323Connection& c) { master = c.GetH245().IsMaster(); });
    return master;
  }
  // The sessions of the endpoint's running channels.
  std::vector<unsigned> EndpointSessions() {
    std::vector<unsigned> sessions;
    AtEndpoint([&](H323Connection& c) {
      for (H323_RTPChannel* channel : c.GetChannels()) sessions.push_back(channel->GetRTPSession().GetSessionID());
    });
    return sessions;
  }
  PString CallToken() {
    if (!m_peerCalls) return token;
    endpoint.WaitEstablished();
    return endpoint.EstablishedToken();
  }

  TestEndPoint endpoint{"bob"};
  ScriptedPeer peer;
  PString token;
  H323SignalPDU setup;  // the endpoint's Setup, when it called

 private:
  bool m_peerCalls;
  bool m_tunnelling;
  PString m_address;
  uint16_t m_ref = 0;
  H323UserInformation::Guid m_callId{};
};

}  // namespace h323test
