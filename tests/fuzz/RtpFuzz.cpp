// Fuzz target: received RTP and RTCP packets as a call's session reads them, with every
// data packet going through the jitter buffer and the player stepping on between them.
// The input is a list of pieces (FuzzSeeds.h): a piece whose first byte is even is an RTP
// packet, an odd one RTCP; the first byte also says how many samples the player plays.

#include <cstddef>
#include <cstdint>

#include "stack/rtp/RTP_ControlFrame.h"
#include "stack/rtp/RTP_JitterBuffer.h"
#include "stack/rtp/RTP_Session.h"
#include "tests/fuzz/FuzzSeeds.h"

namespace {

fuzz::Bytes DataPacket(uint16_t seq, uint32_t ts, unsigned payload) {
  RTP_DataFrame frame(payload);
  frame.SetPayloadType(3);
  frame.SetSequenceNumber(seq);
  frame.SetTimestamp(ts);
  frame.SetSyncSource(0x1234);
  const uint8_t* p = frame.GetPointer();
  return fuzz::Bytes(p, p + frame.GetPacketSize());
}

// The receiving side only: nothing is sent or read from a socket.
class ReceivingSession : public RTP_Session {
 public:
  ReceivingSession() : RTP_Session(1) {}
  bool WriteData(RTP_DataFrame&) override { return true; }
  bool ReadData(RTP_DataFrame&, PTimeInterval) override { return false; }
  bool SendReport() override { return true; }
  void Close() override {}
  using RTP_Session::OnReceived;
  using RTP_Session::OnReceivedControl;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Bytes stream;
  for (uint16_t i = 0; i < 6; ++i) {
    fuzz::Bytes piece = {static_cast<uint8_t>(2 * (i % 3) * 40)};
    const auto packet = DataPacket(static_cast<uint16_t>(100 + (i == 3 ? 5 : i)), 160u * i, 33);
    piece.insert(piece.end(), packet.begin(), packet.end());
    fuzz::Pieces::Append(stream, piece);
  }
  RTP_ReportBlock block;
  block.ssrc = 0x1234;
  block.highestSequence = 105;
  RTP_SenderInfo sender;
  sender.packetCount = 6;
  for (const RTP_SenderInfo* s : {static_cast<const RTP_SenderInfo*>(&sender), static_cast<const RTP_SenderInfo*>(nullptr)}) {
    fuzz::Bytes piece = {1};
    const auto rtcp = BuildControlPacket(0x9999, s, {block}, "fuzz@127.0.0.1", s == nullptr);
    piece.insert(piece.end(), rtcp.begin(), rtcp.end());
    fuzz::Pieces::Append(stream, piece);
  }
  fuzz::WriteSeedsWhenAsked({stream});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReceivingSession session;
  RTP_JitterBuffer jitter(20, 200);
  fuzz::Pieces pieces(data, size);
  fuzz::Bytes piece;
  while (pieces.Next(piece)) {
    if (piece.empty()) continue;
    const uint8_t kind = piece[0];
    const uint8_t* packet = piece.data() + 1;
    const unsigned length = static_cast<unsigned>(piece.size() - 1);
    if (kind & 1) {
      session.OnReceivedControl(packet, length);
      RTP_ControlReport report;
      (void)ParseControlPacket(packet, length, report);
      continue;
    }
    RTP_DataFrame frame;
    if (!frame.SetPacket(packet, length)) continue;
    if (session.OnReceived(frame)) jitter.Insert(frame);
    RTP_DataFrame out;
    unsigned silence = 0;
    const unsigned slot = 1u + kind;
    const bool played = jitter.Next(slot, out, silence);
    jitter.Advance(played ? slot : silence);
  }
  (void)jitter.GetStatistics();
  (void)session.GetStatistics();
  return 0;
}
