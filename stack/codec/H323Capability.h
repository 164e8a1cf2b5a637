// A capability: one media type and format this endpoint can send or receive, as listed
// in the capability exchange, and the factory of its codecs.
#pragma once

#include "stack/codec/H245Forward.h"
#include "stack/codec/H323Codec.h"
#include "stack/ptlib/PObject.h"
#include "stack/ptlib/PString.h"

class H323EndPoint;

class H323Capability : public PObject {
  PCLASSINFO(H323Capability, PObject)
 public:
  enum MainTypes { e_Audio, e_Video, e_Data, e_UserInput, e_NumMainTypes };
  enum CapabilityDirection { e_Unknown, e_Receive, e_Transmit, e_ReceiveAndTransmit, e_NoDirection };

  H323Capability() = default;
  ~H323Capability() override = default;

  // Orders by main type, then by sub type.  A non-capability compares by identity.
  Comparison Compare(const PObject& other) const override;

  virtual MainTypes GetMainType() const = 0;
  // The alternative of the main type's capability choice in H.245 (for audio, the tag of
  // the AudioCapability choice: g7231 is 8, gsmFullRate 17).
  virtual unsigned GetSubType() const = 0;
  // The name the capability registry knows it by.
  virtual PString GetFormatName() const = 0;
  // A codec for the direction, or null.
  virtual H323Codec* CreateCodec(H323Codec::Direction direction) const = 0;
  // RTP payload type of the codec's media.
  virtual unsigned GetPayloadType() const = 0;

  // Number in the capability table (assigned by H323Capabilities, from 1).
  unsigned GetCapabilityNumber() const { return m_assignedCapabilityNumber; }
  void SetCapabilityNumber(unsigned number) { m_assignedCapabilityNumber = number; }
  CapabilityDirection GetCapabilityDirection() const { return m_capabilityDirection; }
  void SetCapabilityDirection(CapabilityDirection d) { m_capabilityDirection = d; }

  // A capability of a registered name, made by its registration; null when unknown.
  static H323Capability* Create(H323EndPoint* endpoint, const PString& name);

  // H.245 capability-set entries.  These are the places where a capability writes and
  // reads its H.245 description; the main-type classes map them to their own choice.
  // The generic forms are filled in by the control-channel code, which has the message
  // classes; here they report that nothing was written.
  virtual bool OnSendingPDU(H245_Capability& pdu) const;
  virtual bool OnReceivedPDU(const H245_Capability& pdu);
  virtual bool OnSendingPDU(H245_DataType& pdu) const;
  virtual bool OnReceivedPDU(const H245_DataType& pdu, bool receiver);

 protected:
  H323Capability(const H323Capability&) = default;
  H323Capability& operator=(const H323Capability&) = default;

  unsigned m_assignedCapabilityNumber = 0;
  CapabilityDirection m_capabilityDirection = e_Unknown;
};
