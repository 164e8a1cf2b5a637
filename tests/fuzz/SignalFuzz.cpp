// Fuzz target: the call-signalling byte stream as a connection reads it.  The TPKT
// reassembler takes the input in pieces of the size of its first byte; every packet it
// gives is decoded as Q.931 and then as H.225 user-user information, as the signalling
// thread does, and what decodes is encoded again.

#include <cstddef>
#include <cstdint>

#include "tests/fuzz/FuzzSeeds.h"
#include "tests/fuzz/SignalMessages.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::vector<fuzz::Bytes> seeds;
  for (const auto& packet : fuzz::CallerPackets(7, {{0x00, 0x01, 0x02}}, {{0x02, 0x70, 0x01, 0x06}})) {
    fuzz::Bytes seed = {5};
    seed.insert(seed.end(), packet.begin(), packet.end());
    seeds.push_back(seed);
  }
  fuzz::Bytes all = {64};
  for (const auto& packet : fuzz::CallerPackets(9, {}, {})) all.insert(all.end(), packet.begin(), packet.end());
  seeds.push_back(all);
  fuzz::WriteSeedsWhenAsked(seeds);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t chunk = data[0] == 0 ? 1 : data[0];
  tpkt::Reassembler reassembler(8192);
  std::vector<uint8_t> payload;
  for (size_t pos = 1; pos < size; pos += chunk) {
    reassembler.Push(std::span(data + pos, std::min(chunk, size - pos)));
    tpkt::Reassembler::Result result;
    while ((result = reassembler.Next(payload)) == tpkt::Reassembler::Result::kPacket) {
      Q931 message;
      if (!message.Decode(payload)) continue;
      q931::Bytes again;
      (void)message.Encode(again);
      (void)message.GetCause();
      (void)message.GetCallingPartyNumber();
      H323SignalPDU pdu;
      if (pdu.Read(message)) (void)pdu.Encode();
    }
    if (result == tpkt::Reassembler::Result::kError) break;
  }
  return 0;
}
