// The user-user information in aligned PER: H323-UserInformation of the H.225.0 module,
// with the fields of each message body that call signalling uses, and the H.450.4
// notifications as supplementary-service invokes.
#include <string>

#include "stack/asn/H225.h"
#include "stack/asn/H4501.h"
#include "stack/asn/H4504.h"
#include "stack/asn/X880.h"
#include "stack/h323/H323UserInformation.h"
#include "stack/h323/H323Vendor.h"

namespace {

using Info = H323UserInformation;
constexpr const char* kProtocolIdentifier = "0.0.8.2250.0.4";

void SetTransport(H225_TransportAddress& out, const TcpAddress& a) {
  auto& ip = out.ipAddress();
  ip.m_ip.SetValue(std::vector<uint8_t>{uint8_t(a.ip >> 24), uint8_t(a.ip >> 16), uint8_t(a.ip >> 8), uint8_t(a.ip)});
  ip.m_port = a.port;
}

std::optional<TcpAddress> GetTransport(const H225_TransportAddress& in) {
  if (in.GetTag() != H225_TransportAddress::e_ipAddress) return std::nullopt;
  const auto& ip = in.ipAddress();
  if (ip.m_ip.GetSize() != 4) return std::nullopt;
  const auto& o = ip.m_ip.GetValue();
  return TcpAddress{(uint32_t(o[0]) << 24) | (uint32_t(o[1]) << 16) | (uint32_t(o[2]) << 8) | o[3],
                    static_cast<uint16_t>(ip.m_port.GetValue())};
}

void SetAliases(H225_ArrayOf_AliasAddress& out, const std::vector<H323AliasAddress>& aliases) {
  for (const auto& a : aliases) {
    auto& alias = out.Append();
    if (a.kind == H323AliasAddress::e_dialedDigits)
      alias.dialedDigits() = a.value.view();
    else
      alias.h323_ID() = a.value.view();
  }
}

std::vector<H323AliasAddress> GetAliases(const H225_ArrayOf_AliasAddress& in) {
  std::vector<H323AliasAddress> out;
  for (size_t i = 0; i < in.GetSize(); ++i) {
    const H225_AliasAddress& a = in[i];
    switch (a.GetTag()) {
      case H225_AliasAddress::e_dialedDigits:
        out.push_back({H323AliasAddress::e_dialedDigits, PString(a.dialedDigits().GetValue())});
        break;
      case H225_AliasAddress::e_h323_ID:
        out.push_back({H323AliasAddress::e_h323_ID, PString(a.h323_ID().GetValue())});
        break;
      case H225_AliasAddress::e_url_ID:
        out.push_back({H323AliasAddress::e_h323_ID, PString(a.url_ID().GetValue())});
        break;
      case H225_AliasAddress::e_email_ID:
        out.push_back({H323AliasAddress::e_h323_ID, PString(a.email_ID().GetValue())});
        break;
      default: break;
    }
  }
  return out;
}

void SetGuid(asn::OctetString& out, const Info::Guid& g) { out.SetValue(g.data(), g.size()); }

void GetGuid(const asn::OctetString& in, Info::Guid& g) {
  if (in.GetSize() == g.size()) std::copy(in.GetValue().begin(), in.GetValue().end(), g.begin());
}

void SetOctetStrings(H225_ArrayOf_OctetString& out, const std::vector<Info::Bytes>& items) {
  for (const auto& b : items) out.Append().SetValue(b);
}

std::vector<Info::Bytes> GetOctetStrings(const H225_ArrayOf_OctetString& in) {
  std::vector<Info::Bytes> out;
  for (size_t i = 0; i < in.GetSize(); ++i) out.push_back(in[i].GetValue());
  return out;
}

void SetTerminal(H225_EndpointType& type) {
  type.IncludeOptionalField(H225_EndpointType::e_vendor);
  H323SetVendorIdentifier(type.m_vendor);
  type.IncludeOptionalField(H225_EndpointType::e_terminal);
  type.m_mc = false;
  type.m_undefinedNode = false;
}

// The fields that most bodies share: protocol identifier, H.245 address, call
// identifier, fast start.
template <class Body>
void SetCommon(Body& body, const Info& info) {
  body.m_protocolIdentifier.SetValue(std::string_view(kProtocolIdentifier));
  if (info.h245Address) {
    body.IncludeOptionalField(Body::e_h245Address);
    SetTransport(body.m_h245Address, *info.h245Address);
  }
  if constexpr (requires { Body::e_callIdentifier; }) body.IncludeOptionalField(Body::e_callIdentifier);
  SetGuid(body.m_callIdentifier.m_guid, info.callIdentifier);
  if (info.hasFastStart) {
    body.IncludeOptionalField(Body::e_fastStart);
    SetOctetStrings(body.m_fastStart, info.fastStart);
  }
  body.IncludeOptionalField(Body::e_multipleCalls);
  body.m_multipleCalls = false;
  body.IncludeOptionalField(Body::e_maintainConnection);
  body.m_maintainConnection = false;
}

template <class Body>
void GetCommon(const Body& body, Info& info) {
  if (body.HasOptionalField(Body::e_h245Address)) info.h245Address = GetTransport(body.m_h245Address);
  if constexpr (requires { Body::e_callIdentifier; }) {
    if (body.HasOptionalField(Body::e_callIdentifier)) GetGuid(body.m_callIdentifier.m_guid, info.callIdentifier);
  } else {
    GetGuid(body.m_callIdentifier.m_guid, info.callIdentifier);
  }
  if (body.HasOptionalField(Body::e_fastStart)) {
    info.hasFastStart = true;
    info.fastStart = GetOctetStrings(body.m_fastStart);
  }
}

template <class Body>
void SetIdentifiers(Body& body, const Info& info) {
  body.m_protocolIdentifier.SetValue(std::string_view(kProtocolIdentifier));
  // Mandatory in the later bodies, an optional addition in the first ones.
  if constexpr (requires { Body::e_callIdentifier; }) body.IncludeOptionalField(Body::e_callIdentifier);
  SetGuid(body.m_callIdentifier.m_guid, info.callIdentifier);
}

bool EncodeHoldNotice(Info::HoldNotice notice, Info::Bytes& out, std::string* error) {
  H4501_H4501SupplementaryService service;
  auto& ros = service.m_serviceApdu.rosApdus().Append();
  auto& invoke = ros.invoke();
  static unsigned s_invokeId = 0;
  invoke.m_invokeId = static_cast<int64_t>(++s_invokeId % 65536);
  invoke.m_opcode.local() =
      notice == Info::HoldNotice::Hold ? H4504_CallHoldOperation::e_holdNotific : H4504_CallHoldOperation::e_retrieveNotific;
  invoke.IncludeOptionalField(X880_Invoke::e_argument);
  bool ok;
  if (notice == Info::HoldNotice::Hold)
    ok = invoke.m_argument.EncodeFrom(H4504_HoldNotificArg(), error);
  else
    ok = invoke.m_argument.EncodeFrom(H4504_RetrieveNotificArg(), error);
  return ok && service.Encode(out, error);
}

Info::HoldNotice DecodeHoldNotice(const Info::Bytes& bytes) {
  H4501_H4501SupplementaryService service;
  if (!service.Decode(bytes) || service.m_serviceApdu.GetTag() != H4501_ServiceApdus::e_rosApdus)
    return Info::HoldNotice::None;
  const auto& apdus = service.m_serviceApdu.rosApdus();
  for (size_t i = 0; i < apdus.GetSize(); ++i) {
    if (apdus[i].GetTag() != X880_ROS::e_invoke) continue;
    const auto& code = apdus[i].invoke().m_opcode;
    if (code.GetTag() != X880_Code::e_local) continue;
    if (code.local().GetValue() == H4504_CallHoldOperation::e_holdNotific) return Info::HoldNotice::Hold;
    if (code.local().GetValue() == H4504_CallHoldOperation::e_retrieveNotific) return Info::HoldNotice::Retrieve;
  }
  return Info::HoldNotice::None;
}

}  // namespace

bool EncodeUserInformation(const H323UserInformation& info, std::vector<uint8_t>& out, std::string* error) {
  H225_H323_UserInformation uu;
  H225_H323_UU_PDU& pdu = uu.m_h323_uu_pdu;
  auto& body = pdu.m_h323_message_body;
  switch (info.body) {
    case Info::e_setup: {
      auto& s = body.setup();
      SetCommon(s, info);
      if (!info.sourceAliases.empty()) {
        s.IncludeOptionalField(H225_Setup_UUIE::e_sourceAddress);
        SetAliases(s.m_sourceAddress, info.sourceAliases);
      }
      SetTerminal(s.m_sourceInfo);
      if (!info.destinationAliases.empty()) {
        s.IncludeOptionalField(H225_Setup_UUIE::e_destinationAddress);
        SetAliases(s.m_destinationAddress, info.destinationAliases);
      }
      if (info.destCallSignalAddress) {
        s.IncludeOptionalField(H225_Setup_UUIE::e_destCallSignalAddress);
        SetTransport(s.m_destCallSignalAddress, *info.destCallSignalAddress);
      }
      if (info.sourceCallSignalAddress) {
        s.IncludeOptionalField(H225_Setup_UUIE::e_sourceCallSignalAddress);
        SetTransport(s.m_sourceCallSignalAddress, *info.sourceCallSignalAddress);
      }
      s.m_activeMC = false;
      SetGuid(s.m_conferenceID, info.conferenceID);
      s.m_conferenceGoal.SetTag(H225_Setup_UUIE_conferenceGoal::e_create);
      s.m_callType.SetTag(H225_CallType::e_pointToPoint);
      s.IncludeOptionalField(H225_Setup_UUIE::e_mediaWaitForConnect);
      s.m_mediaWaitForConnect = false;
      s.IncludeOptionalField(H225_Setup_UUIE::e_canOverlapSend);
      s.m_canOverlapSend = false;
      break;
    }
    case Info::e_callProceeding: {
      auto& b = body.callProceeding();
      SetCommon(b, info);
      SetTerminal(b.m_destinationInfo);
      break;
    }
    case Info::e_alerting: {
      auto& b = body.alerting();
      SetCommon(b, info);
      SetTerminal(b.m_destinationInfo);
      if (!info.sourceAliases.empty()) {
        b.IncludeOptionalField(H225_Alerting_UUIE::e_alertingAddress);
        SetAliases(b.m_alertingAddress, info.sourceAliases);
      }
      break;
    }
    case Info::e_connect: {
      auto& b = body.connect();
      SetCommon(b, info);
      SetTerminal(b.m_destinationInfo);
      SetGuid(b.m_conferenceID, info.conferenceID);
      if (!info.sourceAliases.empty()) {
        b.IncludeOptionalField(H225_Connect_UUIE::e_connectedAddress);
        SetAliases(b.m_connectedAddress, info.sourceAliases);
      }
      break;
    }
    case Info::e_releaseComplete: {
      auto& b = body.releaseComplete();
      SetIdentifiers(b, info);
      if (info.releaseReason && b.m_reason.SetTag(*info.releaseReason))
        b.IncludeOptionalField(H225_ReleaseComplete_UUIE::e_reason);
      break;
    }
    case Info::e_facility: {
      auto& b = body.facility();
      SetIdentifiers(b, info);
      b.IncludeOptionalField(H225_Facility_UUIE::e_conferenceID);
      SetGuid(b.m_conferenceID, info.conferenceID);
      b.m_reason.SetTag(info.holdNotice != Info::HoldNotice::None || !info.h245Control.empty()
                            ? H225_FacilityReason::e_transportedInformation
                            : H225_FacilityReason::e_undefinedReason);
      if (info.h245Address) {
        b.IncludeOptionalField(H225_Facility_UUIE::e_h245Address);
        SetTransport(b.m_h245Address, *info.h245Address);
      }
      if (info.hasFastStart) {
        b.IncludeOptionalField(H225_Facility_UUIE::e_fastStart);
        SetOctetStrings(b.m_fastStart, info.fastStart);
      }
      break;
    }
    case Info::e_progress: {
      auto& b = body.progress();
      SetCommon(b, info);
      SetTerminal(b.m_destinationInfo);
      break;
    }
    case Info::e_information: SetIdentifiers(body.information(), info); break;
    case Info::e_status: SetIdentifiers(body.status(), info); break;
    case Info::e_statusInquiry: SetIdentifiers(body.statusInquiry(), info); break;
    case Info::e_notify: SetIdentifiers(body.notify(), info); break;
    case Info::e_empty:
    default: body.empty(); break;
  }
  pdu.IncludeOptionalField(H225_H323_UU_PDU::e_h245Tunneling);
  pdu.m_h245Tunneling = info.h245Tunnelling;
  if (!info.h245Control.empty()) {
    pdu.IncludeOptionalField(H225_H323_UU_PDU::e_h245Control);
    SetOctetStrings(pdu.m_h245Control, info.h245Control);
  }
  if (info.holdNotice != Info::HoldNotice::None) {
    Info::Bytes apdu;
    if (!EncodeHoldNotice(info.holdNotice, apdu, error)) return false;
    pdu.IncludeOptionalField(H225_H323_UU_PDU::e_h4501SupplementaryService);
    pdu.m_h4501SupplementaryService.Append().SetValue(apdu);
  }
  return uu.Encode(out, error);
}

bool DecodeUserInformation(const uint8_t* data, size_t size, H323UserInformation& info, std::string* error) {
  info = H323UserInformation();
  H225_H323_UserInformation uu;
  if (!uu.Decode(data, size, error)) return false;
  const H225_H323_UU_PDU& pdu = uu.m_h323_uu_pdu;
  const auto& body = pdu.m_h323_message_body;
  switch (body.GetTag()) {
    case H225_H323_UU_PDU_h323_message_body::e_setup: {
      info.body = Info::e_setup;
      const auto& s = body.setup();
      GetCommon(s, info);
      if (s.HasOptionalField(H225_Setup_UUIE::e_sourceAddress)) info.sourceAliases = GetAliases(s.m_sourceAddress);
      if (s.HasOptionalField(H225_Setup_UUIE::e_destinationAddress))
        info.destinationAliases = GetAliases(s.m_destinationAddress);
      if (s.HasOptionalField(H225_Setup_UUIE::e_destCallSignalAddress))
        info.destCallSignalAddress = GetTransport(s.m_destCallSignalAddress);
      if (s.HasOptionalField(H225_Setup_UUIE::e_sourceCallSignalAddress))
        info.sourceCallSignalAddress = GetTransport(s.m_sourceCallSignalAddress);
      GetGuid(s.m_conferenceID, info.conferenceID);
      break;
    }
    case H225_H323_UU_PDU_h323_message_body::e_callProceeding:
      info.body = Info::e_callProceeding;
      GetCommon(body.callProceeding(), info);
      break;
    case H225_H323_UU_PDU_h323_message_body::e_alerting: {
      info.body = Info::e_alerting;
      const auto& b = body.alerting();
      GetCommon(b, info);
      if (b.HasOptionalField(H225_Alerting_UUIE::e_alertingAddress)) info.sourceAliases = GetAliases(b.m_alertingAddress);
      break;
    }
    case H225_H323_UU_PDU_h323_message_body::e_connect: {
      info.body = Info::e_connect;
      const auto& b = body.connect();
      GetCommon(b, info);
      GetGuid(b.m_conferenceID, info.conferenceID);
      if (b.HasOptionalField(H225_Connect_UUIE::e_connectedAddress))
        info.sourceAliases = GetAliases(b.m_connectedAddress);
      break;
    }
    case H225_H323_UU_PDU_h323_message_body::e_releaseComplete: {
      info.body = Info::e_releaseComplete;
      const auto& b = body.releaseComplete();
      if (b.HasOptionalField(H225_ReleaseComplete_UUIE::e_callIdentifier))
        GetGuid(b.m_callIdentifier.m_guid, info.callIdentifier);
      if (b.HasOptionalField(H225_ReleaseComplete_UUIE::e_reason)) info.releaseReason = b.m_reason.GetTag();
      break;
    }
    case H225_H323_UU_PDU_h323_message_body::e_facility: {
      info.body = Info::e_facility;
      const auto& b = body.facility();
      if (b.HasOptionalField(H225_Facility_UUIE::e_callIdentifier)) GetGuid(b.m_callIdentifier.m_guid, info.callIdentifier);
      if (b.HasOptionalField(H225_Facility_UUIE::e_conferenceID)) GetGuid(b.m_conferenceID, info.conferenceID);
      if (b.HasOptionalField(H225_Facility_UUIE::e_h245Address)) info.h245Address = GetTransport(b.m_h245Address);
      if (b.HasOptionalField(H225_Facility_UUIE::e_fastStart)) {
        info.hasFastStart = true;
        info.fastStart = GetOctetStrings(b.m_fastStart);
      }
      break;
    }
    case H225_H323_UU_PDU_h323_message_body::e_progress:
      info.body = Info::e_progress;
      GetCommon(body.progress(), info);
      break;
    case H225_H323_UU_PDU_h323_message_body::e_information: info.body = Info::e_information; break;
    case H225_H323_UU_PDU_h323_message_body::e_status: info.body = Info::e_status; break;
    case H225_H323_UU_PDU_h323_message_body::e_statusInquiry: info.body = Info::e_statusInquiry; break;
    case H225_H323_UU_PDU_h323_message_body::e_notify: info.body = Info::e_notify; break;
    default: info.body = Info::e_empty; break;
  }
  if (pdu.HasOptionalField(H225_H323_UU_PDU::e_h245Tunneling)) info.h245Tunnelling = pdu.m_h245Tunneling;
  if (pdu.HasOptionalField(H225_H323_UU_PDU::e_h245Control)) info.h245Control = GetOctetStrings(pdu.m_h245Control);
  if (pdu.HasOptionalField(H225_H323_UU_PDU::e_h4501SupplementaryService)) {
    const auto apdus = GetOctetStrings(pdu.m_h4501SupplementaryService);
    for (const auto& apdu : apdus) {
      const Info::HoldNotice notice = DecodeHoldNotice(apdu);
      if (notice != Info::HoldNotice::None) info.holdNotice = notice;
    }
  }
  return true;
}
