// G.723.1 with silence compression (6.3 and 5.3 kbit/s, SID frames), RTP payload type 4:
// 240 samples (30 ms) per frame, frames of up to 24 bytes.
#pragma once

#include "stack/codec/H323AudioCapability.h"

class H323_G7231Capability : public H323AudioCapability {
  PCLASSINFO(H323_G7231Capability, H323AudioCapability)
 public:
  static constexpr const char* kFormatName = "G.723.1A(6.3k){sw}";
  static constexpr unsigned kSubType = 8;  // g7231
  static constexpr unsigned kRxFramesInPacket = 7;
  static constexpr unsigned kTxFramesInPacket = 4;

  H323_G7231Capability();

  // Equal main and sub types: the one that offers silence suppression is the greater.
  Comparison Compare(const PObject& other) const override;
  // A copy, or null when memory cannot be had.
  PObject* Clone() const override;
  unsigned GetSubType() const override { return kSubType; }
  PString GetFormatName() const override { return kFormatName; }
  // Counts above 256 are stored as 256; 0 fails a parameter check and changes nothing.
  void SetTxFramesInPacket(unsigned frames) override;
  // A codec for the direction, or null when memory cannot be had.
  H323Codec* CreateCodec(H323Codec::Direction direction) const override;

  // Whether silence compression is offered (sent) or was accepted (received).  The
  // encoder compresses silence whatever it says.
  bool silenceSuppression = true;
};
