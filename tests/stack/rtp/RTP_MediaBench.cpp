// CPU time for one second of GSM call audio in both halves of a call's media path:
// coding 50 frames, packing them four to a packet, sending them over RTP on loopback,
// receiving them, passing them through the jitter buffer and decoding them.  The
// "cpu_percent" counter is the share of one core that a second of audio takes.
#include <benchmark/benchmark.h>

#include "stack/codec/H323_GSM0610Codec.h"
#include "stack/rtp/RTP_JitterBuffer.h"
#include "stack/rtp/RTP_UDP.h"
#include "tests/stack/codec/MemoryChannel.h"
#include "tests/stack/codec/Signals.h"

namespace {

void BM_GsmMediaSecond(benchmark::State& state) {
  constexpr unsigned kFramesPerSecond = 50, kFramesPerPacket = 4;
  const auto second = signals::Concat(signals::Tone(1000, 8000, 4000), signals::Noise(3000, 4000));
  RTP_UDP tx(1), rx(1);
  tx.Open(PIPSocket::Address::GetLoopback(), 0, 0);
  rx.Open(PIPSocket::Address::GetLoopback(), 0, 0);
  tx.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), rx.GetLocalDataPort(), true);
  H323_GSM0610Codec encoder(H323Codec::Encoder), decoder(H323Codec::Decoder);
  auto* mic = new MemoryChannel;
  auto* speaker = new MemoryChannel;
  encoder.AttachChannel(mic);
  decoder.AttachChannel(speaker);
  RTP_JitterBuffer jitter(0, 200);
  uint32_t timestamp = 0;
  for (auto _ : state) {
    mic->Feed(second);
    RTP_DataFrame packet(kFramesPerPacket * 33);
    for (unsigned f = 0; f < kFramesPerSecond; ++f) {
      unsigned length = 0;
      bool marker = false;
      encoder.Read(packet.GetPayloadPtr() + (f % kFramesPerPacket) * 33, length, marker);
      if (f % kFramesPerPacket != kFramesPerPacket - 1 && f != kFramesPerSecond - 1) continue;
      packet.SetPayloadSize((f % kFramesPerPacket + 1) * 33);
      packet.SetPayloadType(3);
      packet.SetTimestamp(timestamp);
      timestamp += (f % kFramesPerPacket + 1) * 160;
      tx.WriteData(packet);
      RTP_DataFrame got;
      if (!rx.ReadData(got, PTimeInterval(1000))) state.SkipWithError("packet lost on loopback");
      jitter.Insert(got);
      RTP_DataFrame out;
      unsigned silence = 0;
      while (jitter.Next(160, out, silence) || silence < 160) {
        if (silence < 160 && out.GetPayloadSize() == 0) {
          jitter.Advance(silence);
          continue;
        }
        unsigned used = 0;
        const uint64_t before = decoder.GetSamplesWritten();
        decoder.Write(out.GetPayloadPtr(), out.GetPayloadSize(), used);
        jitter.Advance(static_cast<unsigned>(decoder.GetSamplesWritten() - before));
        out = RTP_DataFrame();
      }
      packet = RTP_DataFrame(kFramesPerPacket * 33);
    }
    benchmark::DoNotOptimize(speaker->TakeWritten().size());
  }
  state.counters["cpu_percent"] =
      benchmark::Counter(0.01, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GsmMediaSecond)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
