#include "engine/CPhoneGatekeeper.h"

CPhoneGatekeeper::CPhoneGatekeeper(H323EndPoint& endpoint, H323Transport* transport, CWnd* owner,
                                   CUserProfile* profile)
    : H323Gatekeeper(endpoint, transport), m_owner(owner), m_profile(profile) {}

CPhoneGatekeeper::~CPhoneGatekeeper() { Stop(); }

bool CPhoneGatekeeper::OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf) {
  return H323Gatekeeper::OnReceiveGatekeeperConfirm(gcf);
}

bool CPhoneGatekeeper::OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf) {
  return H323Gatekeeper::OnReceiveRegistrationConfirm(rcf);
}

bool CPhoneGatekeeper::OnReceiveRegistrationReject(const H225_RegistrationReject& rrj) {
  return H323Gatekeeper::OnReceiveRegistrationReject(rrj);
}

bool CPhoneGatekeeper::OnReceiveUnregistrationRequest(const H225_UnregistrationRequest& urq) {
  return H323Gatekeeper::OnReceiveUnregistrationRequest(urq);
}

bool CPhoneGatekeeper::OnReceiveAdmissionConfirm(const H225_AdmissionConfirm& acf) {
  return H225_RAS::OnReceiveAdmissionConfirm(acf);
}

bool CPhoneGatekeeper::OnReceiveAdmissionReject(const H225_AdmissionReject& arj) {
  return H225_RAS::OnReceiveAdmissionReject(arj);
}

bool CPhoneGatekeeper::OnReceiveInfoRequest(const H225_InfoRequest& irq) {
  return H323Gatekeeper::OnReceiveInfoRequest(irq);
}
