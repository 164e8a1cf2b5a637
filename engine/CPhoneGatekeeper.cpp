#include "engine/CPhoneGatekeeper.h"

#include <chrono>
#include <climits>
#include <thread>

#include "engine/CUserProfile.h"
#include "engine/GatekeeperMessages.h"
#include "engine/ServiceCodes.h"
#include "platform/win/Wnd.h"

namespace {

// The service's text in a message's non-standard data; empty when the field is absent.
template <class Message>
std::string ServiceText(const Message& msg) {
  if (!msg.HasOptionalField(Message::e_nonStandardData)) return {};
  return msg.m_nonStandardData.m_data.AsString();
}

// The text read as a decimal integer the way atoi reads it (leading blanks, a sign, the
// digits up to the first other character, 0 for none), but saturating instead of
// overflowing on a long run of digits.
long long ParseSeconds(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) {
      value = INT_MAX;
      if (!negative) break;
      return INT_MIN;
    }
  }
  return negative ? -value : value;
}

// The first alternate gatekeeper's IPv4 address in dotted form; empty when the list is
// absent or empty or names another kind of address.
template <class Message>
CString FirstAlternate(const Message& msg) {
  if (!msg.HasOptionalField(Message::e_alternateGatekeeper) || msg.m_alternateGatekeeper.GetSize() == 0) return {};
  const H225_TransportAddress& address = msg.m_alternateGatekeeper[0].m_rasAddress;
  if (address.GetTag() != H225_TransportAddress::e_ipAddress) return {};
  const std::vector<uint8_t>& ip = address.ipAddress().m_ip.GetValue();
  if (ip.size() != 4) return {};
  CString dotted;
  dotted.Format("%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
  return dotted;
}

}  // namespace

CPhoneGatekeeper::CPhoneGatekeeper(H323EndPoint& endpoint, H323Transport* transport, CWnd* owner,
                                   CUserProfile* profile)
    : H323Gatekeeper(endpoint, transport), m_owner(owner), m_profile(profile) {}

CPhoneGatekeeper::~CPhoneGatekeeper() { Stop(); }

bool CPhoneGatekeeper::OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf) {
  CaptureAlternate(FirstAlternate(gcf));
  return H323Gatekeeper::OnReceiveGatekeeperConfirm(gcf);
}

bool CPhoneGatekeeper::OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf) {
  PostBalance(ServiceText(rcf));
  CaptureAlternate(FirstAlternate(rcf));
  return H323Gatekeeper::OnReceiveRegistrationConfirm(rcf);
}

bool CPhoneGatekeeper::OnReceiveRegistrationReject(const H225_RegistrationReject& rrj) {
  const unsigned reason = rrj.m_rejectReason.GetTag();
  const CString text = ServiceText(rrj).c_str();
  const bool lumorethCalls = m_profile && m_profile->m_callType != 0;
  const int mode = LoginMode();
  const RegistrationRejectActions actions =
      DecideRegistrationReject(reason, text, lumorethCalls, mode, !m_alternateAddress.IsEmpty());
  if (actions.switchToAlternate) {
    // The override is in place before the messages that make the main window read it.
    if (m_profile) m_profile->m_gatekeeperOverride = m_alternateAddress;
    m_alternateAddress.Empty();
    Post(gkmsg::kUnregister, 0);
    PostLogin();
  }
  if (actions.dropAndRelogin) {
    Post(gkmsg::kUnregister, 0);
    PostLogin();
  }
  if (actions.errorStringId != 0) Post(gkmsg::kRegisterError, static_cast<WPARAM>(actions.errorStringId));
  return H323Gatekeeper::OnReceiveRegistrationReject(rrj);
}

bool CPhoneGatekeeper::OnReceiveUnregistrationRequest(const H225_UnregistrationRequest& urq) {
  Post(gkmsg::kUnregister, 0);
  // The drop goes into the main window's queue well before the new login.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  PostLogin();
  return H323Gatekeeper::OnReceiveUnregistrationRequest(urq);
}

bool CPhoneGatekeeper::OnReceiveAdmissionConfirm(const H225_AdmissionConfirm& acf) {
  // Posted, not sent: the main window may be removing this client (and joining the RAS
  // thread) at this very moment, so the RAS thread must never wait for it.
  const long long seconds = ParseSeconds(ServiceText(acf));
  Post(gkmsg::kAvailableTime, static_cast<WPARAM>(static_cast<LONG_PTR>(seconds)));
  return H323Gatekeeper::OnReceiveAdmissionConfirm(acf);
}

bool CPhoneGatekeeper::OnReceiveAdmissionReject(const H225_AdmissionReject& arj) {
  if (int id = AdmissionRejectStringId(arj.m_rejectReason.GetTag()); id != 0) {
    Post(gkmsg::kAdmissionError, static_cast<WPARAM>(id));
  }
  return H225_RAS::OnReceiveAdmissionReject(arj);
}

bool CPhoneGatekeeper::OnReceiveInfoRequest(const H225_InfoRequest& irq) {
  PostBalance(ServiceText(irq));
  return H323Gatekeeper::OnReceiveInfoRequest(irq);
}

int CPhoneGatekeeper::LoginMode() const { return m_profile ? m_profile->m_loginMode : kLoginNone; }

HWND CPhoneGatekeeper::OwnerWindow() const { return m_owner ? m_owner->GetSafeHwnd() : nullptr; }

void CPhoneGatekeeper::Post(UINT message, WPARAM wParam) const {
  if (HWND hwnd = OwnerWindow()) ::PostMessage(hwnd, message, wParam, 0);
}

void CPhoneGatekeeper::PostLogin() const {
  const int mode = LoginMode();
  if (mode == kLoginAccount) Post(gkmsg::kAccountLogin, 0);
  if (mode == kLoginCard) Post(gkmsg::kCardLogin, 0);
}

void CPhoneGatekeeper::PostBalance(const std::string& text) const {
  if (!m_profile || m_profile->m_callType == 0 || m_profile->m_loginMode != kLoginCard) return;
  // The window layer keeps its own copy of the text until the handler has returned.
  if (HWND hwnd = OwnerWindow()) ::PostMessageWithText(hwnd, gkmsg::kBalance, text.c_str(), 0);
}

void CPhoneGatekeeper::CaptureAlternate(const CString& address) {
  if (!address.IsEmpty()) m_alternateAddress = address;
}
