// GSM 06.10 full-rate speech: 160 samples (20 ms) <-> 33 bytes, RTP payload type 3.
#pragma once

#include "stack/codec/H323AudioCapability.h"

class H323_GSM0610Capability : public H323AudioCapability {
  PCLASSINFO(H323_GSM0610Capability, H323AudioCapability)
 public:
  static constexpr const char* kFormatName = "GSM-06.10{sw}";
  static constexpr unsigned kSubType = 17;  // gsmFullRate

  // The stack's defaults: 7 frames per packet received, 4 sent.
  explicit H323_GSM0610Capability(unsigned rxPacketSize = 7, unsigned txPacketSize = 4);

  PObject* Clone() const override { return new H323_GSM0610Capability(*this); }
  Comparison Compare(const PObject& other) const override;
  unsigned GetSubType() const override { return kSubType; }
  PString GetFormatName() const override { return kFormatName; }
  H323Codec* CreateCodec(H323Codec::Direction direction) const override;

  // Carried in the H.245 GSMAudioCapability beside the audio unit size (frames x 33).
  bool m_comfortNoise = false;
  bool m_scrambled = false;
};
