// The acknowledgement hooks of H323_RTP_UDP decide where media goes: an endpoint whose
// sessions announce another port in the acknowledgement they send, and send to another
// port than the peer's acknowledgement names, moves both directions of the audio there
// (as a media relay does).

#include <gtest/gtest.h>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "stack/asn/H245.h"
#include "stack/rtp/RTP_DataFrame.h"
#include "tests/stack/codec/Signals.h"
#include "tests/stack/rtp/WireCapture.h"

namespace h323test {
namespace {

class RedirectingSession : public H323_RTP_UDP {
 public:
  RedirectingSession(H323Connection& connection, unsigned id, uint16_t announce, uint16_t sendTo)
      : H323_RTP_UDP(connection, id), m_announce(announce), m_sendTo(sendTo) {}
  void OnSendingAckPDU(const H323_RTPChannel& channel, H245_H2250LogicalChannelAckParameters& param) const override {
    H323_RTP_UDP::OnSendingAckPDU(channel, param);
    param.m_mediaChannel.unicastAddress().iPAddress().m_tsapIdentifier = m_announce;
  }
  bool OnReceivedAckPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelAckParameters& param) override {
    if (!H323_RTP_UDP::OnReceivedAckPDU(channel, param)) return false;
    return rtp.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), m_sendTo, true);
  }

 private:
  uint16_t m_announce, m_sendTo;
};

class RedirectingEndPoint : public AudioEndPoint {
 public:
  ~RedirectingEndPoint() override { Quiesce(); }
  RedirectingEndPoint(uint16_t announce, uint16_t sendTo)
      : AudioEndPoint("alice", "varlo_in_a", "varlo_out_a"), m_announce(announce), m_sendTo(sendTo) {}
  H323_RTP_UDP* CreateRTPSession(H323Connection& connection, unsigned id) override {
    return new RedirectingSession(connection, id, m_announce, m_sendTo);
  }

 private:
  uint16_t m_announce, m_sendTo;
};

TEST(RtpSessionHooks, AcknowledgementHooksMoveTheMediaOfBothDirections) {
  AlsaFixture& alsa = AlsaFixture::Get();
  alsa.SetCapture("varlo_in_a", signals::Tone(1000, 8000, 5 * 8000));
  alsa.SetCapture("varlo_in_b", signals::Tone(1000, 8000, 5 * 8000));
  WireCapture fromA, fromB;
  RedirectingEndPoint a(fromB.Port(), fromA.Port());
  AudioEndPoint b("bob", "varlo_in_b", "varlo_out_b");
  a.DisableFastStart(true);  // the hooks act on the acknowledged channels
  PString token;
  ASSERT_NE(a.MakeCall(b.Listen(), token), nullptr);
  ASSERT_TRUE(a.WaitEstablished());
  ASSERT_TRUE(WaitChannels(a, token, 2));
  EXPECT_TRUE(a.events.WaitFor([&] { return GsmPackets(fromA) >= 5 && GsmPackets(fromB) >= 5; }));
  a.ClearCallSynchronous(token);
}

}  // namespace
}  // namespace h323test
