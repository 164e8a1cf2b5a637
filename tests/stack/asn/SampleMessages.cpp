#include "SampleMessages.h"

namespace sample {

namespace {

void SetIp(H225_TransportAddress& addr, uint16_t port) {
  auto& ip = addr.ipAddress();
  ip.m_ip.SetValue(kLocalIp);
  ip.m_port = port;
}

void SetIp(H245_TransportAddress& addr, uint16_t port) {
  auto& ip = addr.unicastAddress().iPAddress();
  ip.m_network.SetValue(kLocalIp);
  ip.m_tsapIdentifier = port;
}

void SetVendor(H225_VendorIdentifier& v) {
  v.m_vendor.m_t35CountryCode = 38;
  v.m_vendor.m_t35Extension = 0;
  v.m_vendor.m_manufacturerCode = 4660;
  v.IncludeOptionalField(H225_VendorIdentifier::e_productId);
  v.m_productId.SetValue("Varlo");
  v.IncludeOptionalField(H225_VendorIdentifier::e_versionId);
  v.m_versionId.SetValue("1.0");
}

void SetTerminal(H225_EndpointType& t) {
  t.IncludeOptionalField(H225_EndpointType::e_vendor);
  SetVendor(t.m_vendor);
  t.IncludeOptionalField(H225_EndpointType::e_terminal);
  t.m_mc = false;
  t.m_undefinedNode = false;
}

H225_RasMessage Ras() { return H225_RasMessage(); }

}  // namespace

H225_RasMessage GatekeeperRequest() {
  H225_RasMessage msg = Ras();
  auto& grq = msg.gatekeeperRequest();
  grq.m_requestSeqNum = 1;
  grq.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
  SetIp(grq.m_rasAddress, 1719);
  SetTerminal(grq.m_endpointType);
  grq.IncludeOptionalField(H225_GatekeeperRequest::e_endpointAlias);
  grq.m_endpointAlias.Append().h323_ID() = kAlias;
  grq.IncludeOptionalField(H225_GatekeeperRequest::e_authenticationCapability);
  grq.m_authenticationCapability.Append().pwdHash();
  grq.IncludeOptionalField(H225_GatekeeperRequest::e_algorithmOIDs);
  grq.m_algorithmOIDs.Append().SetValue("1.2.840.113549.2.5");
  grq.IncludeOptionalField(H225_GatekeeperRequest::e_supportsAltGK);
  return msg;
}

H225_RasMessage RegistrationRequest() {
  H225_RasMessage msg = Ras();
  auto& rrq = msg.registrationRequest();
  rrq.m_requestSeqNum = 2;
  rrq.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
  rrq.m_discoveryComplete = true;
  SetIp(rrq.m_callSignalAddress.Append(), 1721);
  SetIp(rrq.m_rasAddress.Append(), 1719);
  SetTerminal(rrq.m_terminalType);
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_terminalAlias);
  rrq.m_terminalAlias.Append().h323_ID() = kAlias;
  rrq.m_terminalAlias.Append().dialedDigits() = kNumber;
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_gatekeeperIdentifier);
  rrq.m_gatekeeperIdentifier = kGatekeeperId;
  SetVendor(rrq.m_endpointVendor);
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_timeToLive);
  rrq.m_timeToLive = 300;
  // The H.235 password token: an MD5 hash over the encoded clear token.
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_cryptoTokens);
  auto& hash = rrq.m_cryptoTokens.Append().cryptoEPPwdHash();
  hash.m_alias.h323_ID() = kAlias;
  hash.m_timeStamp = 1700000000;
  hash.m_token.m_algorithmOID.SetValue("1.2.840.113549.2.5");
  hash.m_token.m_hash.SetData(std::vector<uint8_t>{0x0f, 0x1e, 0x2d, 0x3c, 0x4b, 0x5a, 0x69, 0x78,
                                                    0x87, 0x96, 0xa5, 0xb4, 0xc3, 0xd2, 0xe1, 0xf0},
                              128);
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_keepAlive);
  rrq.m_keepAlive = false;
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_willSupplyUUIEs);
  rrq.m_willSupplyUUIEs = false;
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_maintainConnection);
  rrq.m_maintainConnection = false;
  return msg;
}

H225_RasMessage KeepAliveRegistrationRequest() {
  H225_RasMessage msg = Ras();
  auto& rrq = msg.registrationRequest();
  rrq.m_requestSeqNum = 3;
  rrq.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
  rrq.m_discoveryComplete = true;
  SetIp(rrq.m_callSignalAddress.Append(), 1721);
  SetIp(rrq.m_rasAddress.Append(), 1719);
  SetTerminal(rrq.m_terminalType);
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_gatekeeperIdentifier);
  rrq.m_gatekeeperIdentifier = kGatekeeperId;
  SetVendor(rrq.m_endpointVendor);
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_timeToLive);
  rrq.m_timeToLive = 300;
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_keepAlive);
  rrq.m_keepAlive = true;
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_endpointIdentifier);
  rrq.m_endpointIdentifier = kEndpointId;
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_willSupplyUUIEs);
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_maintainConnection);
  return msg;
}

H225_RasMessage UnregistrationRequest() {
  H225_RasMessage msg = Ras();
  auto& urq = msg.unregistrationRequest();
  urq.m_requestSeqNum = 4;
  SetIp(urq.m_callSignalAddress.Append(), 1721);
  urq.IncludeOptionalField(H225_UnregistrationRequest::e_endpointAlias);
  urq.m_endpointAlias.Append().h323_ID() = kAlias;
  urq.IncludeOptionalField(H225_UnregistrationRequest::e_endpointIdentifier);
  urq.m_endpointIdentifier = kEndpointId;
  urq.IncludeOptionalField(H225_UnregistrationRequest::e_gatekeeperIdentifier);
  urq.m_gatekeeperIdentifier = kGatekeeperId;
  urq.IncludeOptionalField(H225_UnregistrationRequest::e_reason);
  urq.m_reason.undefinedReason();
  return msg;
}

H225_RasMessage AdmissionRequest() {
  H225_RasMessage msg = Ras();
  auto& arq = msg.admissionRequest();
  arq.m_requestSeqNum = 5;
  arq.m_callType.pointToPoint();
  arq.IncludeOptionalField(H225_AdmissionRequest::e_callModel);
  arq.m_callModel.direct();
  arq.m_endpointIdentifier = kEndpointId;
  arq.IncludeOptionalField(H225_AdmissionRequest::e_destinationInfo);
  arq.m_destinationInfo.Append().dialedDigits() = kNumber;
  arq.m_srcInfo.Append().h323_ID() = kAlias;
  arq.IncludeOptionalField(H225_AdmissionRequest::e_srcCallSignalAddress);
  SetIp(arq.m_srcCallSignalAddress, 1721);
  arq.m_bandWidth = 1280;
  arq.m_callReferenceValue = 17;
  arq.m_conferenceID.SetValue(kGuid);
  arq.m_activeMC = false;
  arq.m_answerCall = false;
  arq.IncludeOptionalField(H225_AdmissionRequest::e_canMapAlias);
  arq.m_canMapAlias = true;
  arq.IncludeOptionalField(H225_AdmissionRequest::e_callIdentifier);
  arq.m_callIdentifier.m_guid.SetValue(kGuid);
  arq.IncludeOptionalField(H225_AdmissionRequest::e_gatekeeperIdentifier);
  arq.m_gatekeeperIdentifier = kGatekeeperId;
  arq.IncludeOptionalField(H225_AdmissionRequest::e_willSupplyUUIEs);
  arq.IncludeOptionalField(H225_AdmissionRequest::e_canMapSrcAlias);
  return msg;
}

H225_RasMessage DisengageRequest() {
  H225_RasMessage msg = Ras();
  auto& drq = msg.disengageRequest();
  drq.m_requestSeqNum = 6;
  drq.m_endpointIdentifier = kEndpointId;
  drq.m_conferenceID.SetValue(kGuid);
  drq.m_callReferenceValue = 17;
  drq.m_disengageReason.normalDrop();
  drq.IncludeOptionalField(H225_DisengageRequest::e_callIdentifier);
  drq.m_callIdentifier.m_guid.SetValue(kGuid);
  drq.IncludeOptionalField(H225_DisengageRequest::e_gatekeeperIdentifier);
  drq.m_gatekeeperIdentifier = kGatekeeperId;
  drq.IncludeOptionalField(H225_DisengageRequest::e_answeredCall);
  drq.m_answeredCall = false;
  return msg;
}

H225_RasMessage InfoRequestResponse() {
  H225_RasMessage msg = Ras();
  auto& irr = msg.infoRequestResponse();
  irr.m_requestSeqNum = 7;
  SetTerminal(irr.m_endpointType);
  irr.m_endpointIdentifier = kEndpointId;
  SetIp(irr.m_rasAddress, 1719);
  SetIp(irr.m_callSignalAddress.Append(), 1721);
  irr.IncludeOptionalField(H225_InfoRequestResponse::e_endpointAlias);
  irr.m_endpointAlias.Append().h323_ID() = kAlias;
  irr.IncludeOptionalField(H225_InfoRequestResponse::e_perCallInfo);
  auto& call = irr.m_perCallInfo.Append();
  call.m_callReferenceValue = 17;
  call.m_conferenceID.SetValue(kGuid);
  call.IncludeOptionalField(H225_InfoRequestResponse_perCallInfo_subtype::e_originator);
  call.m_originator = true;
  call.IncludeOptionalField(H225_InfoRequestResponse_perCallInfo_subtype::e_audio);
  auto& rtp = call.m_audio.Append();
  rtp.m_rtpAddress.IncludeOptionalField(H225_TransportChannelInfo::e_recvAddress);
  SetIp(rtp.m_rtpAddress.m_recvAddress, 5000);
  rtp.m_rtcpAddress.IncludeOptionalField(H225_TransportChannelInfo::e_recvAddress);
  SetIp(rtp.m_rtcpAddress.m_recvAddress, 5001);
  rtp.m_cname = "alice-192.168.1.10";
  rtp.m_ssrc = 0x12345678;
  rtp.m_sessionId = 1;
  call.m_callSignaling.IncludeOptionalField(H225_TransportChannelInfo::e_sendAddress);
  SetIp(call.m_callSignaling.m_sendAddress, 1721);
  call.m_callType.pointToPoint();
  call.m_bandWidth = 1280;
  call.m_callModel.direct();
  call.IncludeOptionalField(H225_InfoRequestResponse_perCallInfo_subtype::e_callIdentifier);
  call.m_callIdentifier.m_guid.SetValue(kGuid);
  call.IncludeOptionalField(H225_InfoRequestResponse_perCallInfo_subtype::e_substituteConfIDs);
  irr.IncludeOptionalField(H225_InfoRequestResponse::e_needResponse);
  irr.m_needResponse = false;
  irr.IncludeOptionalField(H225_InfoRequestResponse::e_unsolicited);
  irr.m_unsolicited = false;
  return msg;
}

H225_H323_UserInformation SetupUserInformation() {
  H225_H323_UserInformation ui;
  auto& setup = ui.m_h323_uu_pdu.m_h323_message_body.setup();
  setup.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
  setup.IncludeOptionalField(H225_Setup_UUIE::e_sourceAddress);
  setup.m_sourceAddress.Append().h323_ID() = kAlias;
  SetTerminal(setup.m_sourceInfo);
  setup.IncludeOptionalField(H225_Setup_UUIE::e_destinationAddress);
  setup.m_destinationAddress.Append().dialedDigits() = kNumber;
  setup.m_activeMC = false;
  setup.m_conferenceID.SetValue(kGuid);
  setup.m_conferenceGoal.create();
  setup.m_callType.pointToPoint();
  setup.IncludeOptionalField(H225_Setup_UUIE::e_sourceCallSignalAddress);
  SetIp(setup.m_sourceCallSignalAddress, 1721);
  setup.IncludeOptionalField(H225_Setup_UUIE::e_callIdentifier);
  setup.m_callIdentifier.m_guid.SetValue(kGuid);
  setup.IncludeOptionalField(H225_Setup_UUIE::e_mediaWaitForConnect);
  setup.IncludeOptionalField(H225_Setup_UUIE::e_canOverlapSend);
  setup.IncludeOptionalField(H225_Setup_UUIE::e_multipleCalls);
  setup.IncludeOptionalField(H225_Setup_UUIE::e_maintainConnection);
  ui.m_h323_uu_pdu.IncludeOptionalField(H225_H323_UU_PDU::e_h245Tunneling);
  ui.m_h323_uu_pdu.m_h245Tunneling = true;
  return ui;
}

H225_H323_UserInformation FacilityWithSupplementaryService(const std::vector<uint8_t>& apdu) {
  H225_H323_UserInformation ui;
  auto& fac = ui.m_h323_uu_pdu.m_h323_message_body.facility();
  fac.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
  fac.m_reason.undefinedReason();
  fac.IncludeOptionalField(H225_Facility_UUIE::e_callIdentifier);
  fac.m_callIdentifier.m_guid.SetValue(kGuid);
  fac.IncludeOptionalField(H225_Facility_UUIE::e_multipleCalls);
  fac.IncludeOptionalField(H225_Facility_UUIE::e_maintainConnection);
  ui.m_h323_uu_pdu.IncludeOptionalField(H225_H323_UU_PDU::e_h4501SupplementaryService);
  ui.m_h323_uu_pdu.m_h4501SupplementaryService.Append().SetValue(apdu);
  ui.m_h323_uu_pdu.IncludeOptionalField(H225_H323_UU_PDU::e_h245Tunneling);
  ui.m_h323_uu_pdu.m_h245Tunneling = true;
  return ui;
}

H4501_H4501SupplementaryService HoldNotificInvoke(int64_t invokeId) {
  H4501_H4501SupplementaryService apdu;
  auto& invoke = apdu.m_serviceApdu.rosApdus().Append().invoke();
  invoke.m_invokeId = invokeId;
  invoke.m_opcode.local() = H4504_CallHoldOperation::e_holdNotific;
  invoke.IncludeOptionalField(X880_Invoke::e_argument);
  if (!invoke.m_argument.EncodeFrom(H4504_HoldNotificArg())) invoke.m_argument.SetValue({});
  return apdu;
}

namespace {

H245_MultimediaSystemControlMessage Request() { return H245_MultimediaSystemControlMessage(); }

void SetMultipoint(H245_MultipointCapability& m) {
  m.m_multicastCapability = false;
  m.m_multiUniCastConference = false;
  m.m_mediaDistributionCapability.Append();
}

void AddCapability(H245_TerminalCapabilitySet& tcs, unsigned number, H245_Capability& cap) {
  auto& entry = tcs.m_capabilityTable.Append();
  entry.m_capabilityTableEntryNumber = number;
  entry.IncludeOptionalField(H245_CapabilityTableEntry::e_capability);
  entry.m_capability = cap;
}

H245_TerminalCapabilitySet& BaseCapabilitySet(H245_MultimediaSystemControlMessage& msg) {
  auto& tcs = msg.request().terminalCapabilitySet();
  tcs.m_sequenceNumber = 1;
  tcs.m_protocolIdentifier.SetValue("0.0.8.245.0.3");
  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_multiplexCapability);
  auto& h2250 = tcs.m_multiplexCapability.h2250Capability();
  h2250.m_maximumAudioDelayJitter = 200;
  SetMultipoint(h2250.m_receiveMultipointCapability);
  SetMultipoint(h2250.m_transmitMultipointCapability);
  SetMultipoint(h2250.m_receiveAndTransmitMultipointCapability);
  h2250.IncludeOptionalField(H245_H2250Capability::e_logicalChannelSwitchingCapability);
  h2250.IncludeOptionalField(H245_H2250Capability::e_t120DynamicPortCapability);
  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_capabilityTable);
  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_capabilityDescriptors);
  return tcs;
}

H245_Capability Gsm(unsigned frames) {
  H245_Capability cap;
  auto& gsm = cap.receiveAudioCapability().gsmFullRate();
  gsm.m_audioUnitSize = frames * 33;
  gsm.m_comfortNoise = false;
  gsm.m_scrambled = false;
  return cap;
}

H245_Capability G7231(unsigned frames, bool silenceSuppression) {
  H245_Capability cap;
  auto& g = cap.receiveAudioCapability().g7231();
  g.m_maxAl_sduAudioFrames = frames;
  g.m_silenceSuppression = silenceSuppression;
  return cap;
}

H245_Capability UserInput(bool dtmf) {
  H245_Capability cap;
  auto& ui = cap.receiveAndTransmitUserInputCapability();
  if (dtmf) {
    ui.dtmf();
  } else {
    ui.basicString();
  }
  return cap;
}

void AddDescriptor(H245_TerminalCapabilitySet& tcs,
                   const std::vector<std::vector<unsigned>>& simultaneous) {
  auto& desc = tcs.m_capabilityDescriptors.Append();
  desc.m_capabilityDescriptorNumber = 0;
  desc.IncludeOptionalField(H245_CapabilityDescriptor::e_simultaneousCapabilities);
  for (const auto& alternatives : simultaneous) {
    auto& set = desc.m_simultaneousCapabilities.Append();
    for (unsigned n : alternatives) set.Append() = n;
  }
}

}  // namespace

H245_MultimediaSystemControlMessage TerminalCapabilitySet() {
  auto msg = Request();
  auto& tcs = BaseCapabilitySet(msg);
  H245_Capability gsm = Gsm(7), g7231 = G7231(7, true), dtmf = UserInput(true);
  AddCapability(tcs, 1, gsm);
  AddCapability(tcs, 2, g7231);
  AddCapability(tcs, 3, dtmf);
  AddDescriptor(tcs, {{1, 2}, {3}});
  return msg;
}

H245_MultimediaSystemControlMessage FullTerminalCapabilitySet() {
  auto msg = Request();
  auto& tcs = BaseCapabilitySet(msg);
  std::vector<H245_Capability> caps;
  caps.push_back(Gsm(7));
  caps.push_back(G7231(7, true));
  caps.push_back(G7231(4, false));
  for (int i = 0; i < 4; ++i) {
    H245_Capability c;
    auto& audio = c.receiveAudioCapability();
    switch (i) {
      case 0: audio.g711Ulaw64k() = 240; break;
      case 1: audio.g711Alaw64k() = 240; break;
      case 2: audio.g728() = 20; break;
      default: audio.g729() = 6; break;
    }
    caps.push_back(c);
  }
  caps.push_back(UserInput(true));
  caps.push_back(UserInput(false));
  H245_Capability hookflash;
  hookflash.receiveAndTransmitUserInputCapability().hookflash();
  caps.push_back(hookflash);
  for (unsigned i = 0; i < caps.size(); ++i) AddCapability(tcs, i + 1, caps[i]);
  AddDescriptor(tcs, {{1, 2, 3, 4, 5, 6, 7}, {8, 9, 10}});
  return msg;
}

H245_MultimediaSystemControlMessage OpenLogicalChannel() {
  auto msg = Request();
  auto& olc = msg.request().openLogicalChannel();
  olc.m_forwardLogicalChannelNumber = 101;
  auto& fwd = olc.m_forwardLogicalChannelParameters;
  auto& gsm = fwd.m_dataType.audioData().gsmFullRate();
  gsm.m_audioUnitSize = 4 * 33;
  auto& h2250 = fwd.m_multiplexParameters.h2250LogicalChannelParameters();
  h2250.m_sessionID = 1;
  h2250.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_mediaGuaranteedDelivery);
  h2250.m_mediaGuaranteedDelivery = false;
  h2250.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_mediaControlChannel);
  SetIp(h2250.m_mediaControlChannel, 5001);
  h2250.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_mediaControlGuaranteedDelivery);
  h2250.m_mediaControlGuaranteedDelivery = false;
  h2250.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_silenceSuppression);
  h2250.m_silenceSuppression = false;
  return msg;
}

H245_MultimediaSystemControlMessage OpenLogicalChannelAck() {
  H245_MultimediaSystemControlMessage msg;
  auto& ack = msg.response().openLogicalChannelAck();
  ack.m_forwardLogicalChannelNumber = 101;
  ack.IncludeOptionalField(H245_OpenLogicalChannelAck::e_forwardMultiplexAckParameters);
  auto& params = ack.m_forwardMultiplexAckParameters.h2250LogicalChannelAckParameters();
  params.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_sessionID);
  params.m_sessionID = 1;
  params.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaChannel);
  SetIp(params.m_mediaChannel, 5000);
  params.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaControlChannel);
  SetIp(params.m_mediaControlChannel, 5001);
  params.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_dynamicRTPPayloadType);
  params.m_dynamicRTPPayloadType = 96;
  params.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_flowControlToZero);
  params.m_flowControlToZero = false;
  return msg;
}

H245_MultimediaSystemControlMessage UserInputIndicationAlphanumeric(const std::string& text) {
  H245_MultimediaSystemControlMessage msg;
  msg.indication().userInput().alphanumeric() = text;
  return msg;
}

H245_MultimediaSystemControlMessage UserInputIndicationSignal(char key, unsigned durationMs) {
  H245_MultimediaSystemControlMessage msg;
  auto& signal = msg.indication().userInput().signal();
  signal.m_signalType = std::string(1, key);
  signal.IncludeOptionalField(H245_UserInputIndication_signal::e_duration);
  signal.m_duration = durationMs;
  return msg;
}

std::vector<uint8_t> TpktFrame(const std::vector<uint8_t>& payload) {
  size_t total = payload.size() + 4;
  std::vector<uint8_t> out{3, 0, static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total)};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

std::vector<uint8_t> Q931Frame(uint8_t messageType, const std::vector<uint8_t>& userUser) {
  // Protocol discriminator, a two-octet call reference, the message type, and the
  // user-user information element (protocol discriminator 5: X.208/X.209 coded).
  std::vector<uint8_t> q931{0x08, 0x02, 0x00, 0x2A, messageType};
  size_t ieLength = userUser.size() + 1;
  q931.push_back(0x7E);
  q931.push_back(static_cast<uint8_t>(ieLength >> 8));
  q931.push_back(static_cast<uint8_t>(ieLength));
  q931.push_back(0x05);
  q931.insert(q931.end(), userUser.begin(), userUser.end());
  return TpktFrame(q931);
}

}  // namespace sample
