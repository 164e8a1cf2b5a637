// An audio capability: frames per packet in each direction, and the audio form of the
// H.245 description.
#pragma once

#include <atomic>

#include "stack/codec/H323Capability.h"

class H323AudioCapability : public H323Capability {
  PCLASSINFO(H323AudioCapability, H323Capability)
 public:
  // The most frames one packet may carry.
  static constexpr unsigned kMaxFramesInPacket = 256;

  H323AudioCapability(unsigned rxPacketSize, unsigned txPacketSize);
  H323AudioCapability(const H323AudioCapability& other);
  H323AudioCapability& operator=(const H323AudioCapability& other);

  MainTypes GetMainType() const override { return e_Audio; }
  // The static RTP payload type of the sub type (GSM 3, G.723.1 4, ...).
  unsigned GetPayloadType() const override;

  // The counts may be changed (options) while calls read them (channel set-up).
  unsigned GetRxFramesInPacket() const { return m_rxFramesInPacket.load(); }
  unsigned GetTxFramesInPacket() const { return m_txFramesInPacket.load(); }
  // Counts above kMaxFramesInPacket are stored as kMaxFramesInPacket.  0 fails a
  // parameter check and leaves the count as it was (a packet must carry a frame).
  virtual void SetTxFramesInPacket(unsigned frames);
  virtual void SetRxFramesInPacket(unsigned frames);

  // The AudioCapability choice with `packetSize` frames per packet.
  virtual bool OnSendingPDU(H245_AudioCapability& pdu, unsigned packetSize) const;
  // Reads the AudioCapability; false when it is another codec's alternative.
  virtual bool OnReceivedPDU(const H245_AudioCapability& pdu, unsigned& packetSize);
  using H323Capability::OnReceivedPDU;
  using H323Capability::OnSendingPDU;

 protected:
  static unsigned ClampFrames(unsigned frames, unsigned previous);

  std::atomic<unsigned> m_rxFramesInPacket;
  std::atomic<unsigned> m_txFramesInPacket;
};
