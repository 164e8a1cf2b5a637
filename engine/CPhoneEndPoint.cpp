#include "engine/CPhoneEndPoint.h"

#include "codec/g7231/H323_G7231Capability.h"
#include "engine/CPhoneGatekeeper.h"
#include "engine/CUserProfile.h"
#include "engine/EngineMessages.h"
#include "engine/MediaRelay.h"
#include "engine/RelayRTP_UDP.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"
#include "platform/win/Wnd.h"
#include "setup/CCaptureWnd.h"
#include "setup/CVideoChannel.h"
#include "setup/CVideoInputDevice.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/ras/H323Gatekeeper.h"
#include "stack/video/H323VideoCodec.h"

namespace {

// "Would you answer the call?\nFrom:" in the active language.
constexpr UINT kIncomingCallQuestion = 169;

}  // namespace

CallEndCode MapCallEndReason(CallEndReason reason) {
  switch (reason) {
    case EndedByRemoteUser:
      return {3, 1};
    case EndedByRefusal:
      return {4, 1};
    case EndedByNoAnswer:
      return {5, 1};
    case EndedByTransportFail:
      return {5, 1};  // the user reads a broken connection as nobody answering
    case EndedByConnectFail:
      return {8, 1};
    case EndedByGatekeeper:
      return {9, 1};
    case EndedByNoUser:
      return {10, 1};
    default:
      return {0, 0};
  }
}

CPhoneEndPoint::CPhoneEndPoint() {
  // A new endpoint starts with the media relay off until the relay client is granted one.
  ResetMediaRelayPorts();
}

CPhoneEndPoint::~CPhoneEndPoint() {
  // End the calls while this object is whole: the stack's threads call its hooks until the
  // last call has been cleared, and the base destructor would do it only after the
  // members here are gone.
  RemoveListeners();
  ClearAllCalls(H323Connection::EndedByLocalUser, true);
}

BOOL CPhoneEndPoint::Initialise(CWnd* owner, CUserProfile* profile) {
  m_owner = owner;
  m_profile = profile;

  SetInitialBandwidth(kInitialBandwidth);
  SetMaxAudioDelayJitter(profile != nullptr ? static_cast<unsigned>(profile->m_audioDelay) : 200u);
  DisableFastStart(true);
  SetSilenceDetectionMode(H323AudioCodec::NoSilenceDetection);
  SetCleanerThreadStackSize(kThreadStackSize);
  SetListenerThreadStackSize(kThreadStackSize);
  SetSignallingThreadStackSize(kThreadStackSize);
  SetControlThreadStackSize(kThreadStackSize);
  SetChannelThreadStackSize(kThreadStackSize);
  SetRasThreadStackSize(kThreadStackSize);
  SetJitterThreadStackSize(kThreadStackSize);
  // One call at a time: while the user is asked about a call or talks on one, a further
  // caller is told at once that the phone is busy, and costs no thread and no question.
  SetMaxCalls(1);

  m_listener = new H323ListenerTCP(PIPSocket::Address::GetAny(), kListenerPort, false);

  if (profile != nullptr) {
    SetSoundChannelPlayDevice(PString(profile->m_playDevice.GetString()));
    SetSoundChannelRecordDevice(PString(profile->m_recordDevice.GetString()));
  }

  // The stack takes the listener over and deletes it at once when its port cannot be had;
  // then there is no listener to point at.
  if (!StartListener(m_listener)) m_listener = nullptr;

  auto* gsm = new H323_GSM0610Capability();
  m_g7231Owned = std::make_unique<H323_G7231Capability>();
  gsm->SetTxFramesInPacket(kFramesPerPacket);
  m_g7231Owned->SetTxFramesInPacket(kFramesPerPacket);

  // GSM 06.10 is the only capability offered; G.723.1 is kept for the options sheet.
  SetCapability(P_MAX_INDEX, P_MAX_INDEX, gsm);

  m_gsmCapability = gsm;
  m_g7231Capability = m_g7231Owned.get();
  return TRUE;
}

BOOL CPhoneEndPoint::MakeCallTo(const char* address) {
  if (address == nullptr || *address == '\0') return FALSE;
  // Held across MakeCall so that a call that fails at once is reported by the cleaner
  // only after its token and the busy flag have been recorded here: the report then
  // finds the token and makes the endpoint idle again.  MakeCall only starts the call's
  // thread and never waits for the cleaner.
  std::lock_guard lock(m_callMutex);
  PString token;
  if (MakeCall(PString(address), token) == nullptr) return FALSE;
  m_callToken = token;
  m_idle = FALSE;
  return TRUE;
}

void CPhoneEndPoint::HangUp() { ClearCall(GetCurrentCallToken(), H323Connection::EndedByLocalUser); }

BOOL CPhoneEndPoint::IsIdle() const { return m_idle.load(); }

BOOL CPhoneEndPoint::IsRegistered() const { return H323EndPoint::IsRegistered() ? TRUE : FALSE; }

PString CPhoneEndPoint::GetCurrentCallToken() const {
  std::lock_guard lock(m_callMutex);
  return m_callToken;
}

void CPhoneEndPoint::SendTone(char key) {
  const PString token = GetCurrentCallToken();
  if (token.IsEmpty() || !HasConnection(token)) return;
  H323Connection* connection = FindConnectionWithLock(token);
  if (connection == nullptr) return;
  connection->SendUserInputTone(key);
  connection->Unlock();
}

BOOL CPhoneEndPoint::ToggleHold() {
  const PString token = GetCurrentCallToken();
  if (token.IsEmpty() || !HasConnection(token)) return FALSE;
  H323Connection* connection = FindConnectionWithLock(token);
  if (connection == nullptr) return FALSE;
  BOOL held = FALSE;
  if (connection->IsLocalHold()) {
    connection->RetrieveCall();
  } else {
    connection->HoldCall(true);
    held = TRUE;
  }
  connection->Unlock();
  return held;
}

H323Gatekeeper* CPhoneEndPoint::CreateGatekeeper(H323Transport* transport) {
  return new CPhoneGatekeeper(*this, transport, m_owner, m_profile);
}

bool CPhoneEndPoint::OnIncomingCall(H323Connection& connection, const H323SignalPDU&, H323SignalPDU& alertingPDU) {
  // The caller hears ringing while the user is asked: the Alerting goes out first, and
  // the Connect (or the Release Complete) follows the answer.
  connection.SendAlerting(alertingPDU);
  CString text = AfxLoadString(kIncomingCallQuestion);
  text += connection.GetRemotePartyName().GetPointer();
  // Modal on this signalling thread: the call's signalling waits for the user.  The
  // question goes away with its call (OnConnectionCleared withdraws it).
  varlo::win::MessageBoxWithdrawal question;
  const PString token = connection.GetCallToken();
  {
    std::lock_guard lock(m_callMutex);
    m_questions.emplace(token, question);
  }
  // A call that ended before its question was kept here found nothing to withdraw.
  const bool ended = connection.IsReleased();
  const int answer = ended ? IDCANCEL : AfxMessageBox(text.GetString(), MB_OKCANCEL, question);
  {
    std::lock_guard lock(m_callMutex);
    m_questions.erase(token);
  }
  return answer == IDOK && !question.IsWithdrawn();
}

bool CPhoneEndPoint::OnAlerting(H323Connection&, const H323SignalPDU&, const PString&) {
  PostToOwner(WM_ENGINE_REMOTE_RINGING, 0, 0);
  return true;
}

void CPhoneEndPoint::OnConnectionEstablished(H323Connection&, const PString& token) {
  {
    std::lock_guard lock(m_callMutex);
    m_callToken = token;
    m_idle = FALSE;
  }
  PostToOwner(WM_ENGINE_CALL_CONNECTED, 0, 0);
}

void CPhoneEndPoint::OnConnectionCleared(H323Connection& connection, const PString& token) {
  {
    std::lock_guard lock(m_callMutex);
    if (auto question = m_questions.find(token); question != m_questions.end()) question->second.Withdraw();
    // Another call (a second incoming call refused while this one is up, say) leaves the
    // current call alone, and the window is not told, or it would show the live call as
    // ended.  With no current call the end is reported all the same.
    if (!m_callToken.IsEmpty() && m_callToken != token) return;
    m_callToken = PString();
    m_idle = TRUE;
  }
  const CallEndCode code = MapCallEndReason(connection.GetCallEndReason());
  PostToOwner(WM_ENGINE_CALL_CLEARED, code.code, code.mapped);
}

H323Connection* CPhoneEndPoint::CreateConnection(unsigned callReference) {
  return new H323Connection(*this, callReference, 0);
}

bool CPhoneEndPoint::OpenVideoChannel(H323Connection&, bool isEncoding, H323VideoCodec& codec) {
  // The capability table offers no video, so the stack does not call this.  A sending
  // channel reads the capture window's frames: without one there is nothing to send.
  if (isEncoding && m_captureWnd == nullptr) return false;
  auto channel = std::make_unique<CVideoChannel>();
  if (isEncoding) {
    auto device = std::make_unique<CVideoInputDevice>();
    const PStringList names = device->GetDeviceNames();
    const PString name = names.IsEmpty() ? PString("Frame test N.0 - Moving line") : names.front();
    CCaptureWnd* window = m_captureWnd;
    device->SetFrameSource([window]() -> std::span<const BYTE> {
      const BYTE* bits = window->GetFrameBits();
      if (bits == nullptr) return {};
      return {bits, window->GetFrameBitsBytes()};
    });
    device->SetFrameSizeBytes(kVideoFrameBytes);
    device->SetCaptureWindow(m_captureWnd->GetSafeHwnd());
    device->Open(name, false);
    device->SetVideoFormat(PVideoDevice::Auto);
    device->SetChannel(-1);
    device->SetFrameSize(kVideoWidth, kVideoHeight);
    device->SetColourFormatConverter("YUV420P");
    channel->AttachVideoReader(device.release());
  }
  return codec.AttachChannel(channel.release(), true);
}

H323_RTP_UDP* CPhoneEndPoint::CreateRTPSession(H323Connection& connection, unsigned sessionID) {
  return new CRelayRTP_UDP(connection, sessionID);
}

void CPhoneEndPoint::PostToOwner(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (m_owner == nullptr) return;
  ::PostMessage(m_owner->GetSafeHwnd(), message, wParam, lParam);
}
