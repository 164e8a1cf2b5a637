// Support of the endpoint's call tests: a window that records the endpoint's progress
// messages in the display-free message layer, and a fixture with the endpoint (on the ALSA
// test devices "varlo_in_a"/"varlo_out_a") and a plain stack endpoint as the peer.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "engine/CPhoneEndPoint.h"
#include "engine/CUserProfile.h"
#include "engine/EngineMessages.h"
#include "engine/MediaRelay.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/Wnd.h"
#include "tests/stack/codec/Signals.h"

namespace phonetest {

using namespace std::chrono_literals;

struct Posted {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// A hidden window that keeps the endpoint's messages (read on the test's thread, which
// is the layer's UI thread).
class CRecorderWnd : public CWnd {
 public:
  CRecorderWnd() { CreateEx(0, "", "recorder", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  ~CRecorderWnd() override { DestroyWindow(); }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= WM_ENGINE_REMOTE_RINGING && msg <= WM_ENGINE_CALL_CLEARED) seen.push_back({msg, wParam, lParam});
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  size_t Count(UINT msg) const {
    size_t n = 0;
    for (const auto& p : seen) n += p.msg == msg;
    return n;
  }
  std::vector<Posted> seen;
};

// Runs the layer's queues until `done` holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 8000ms) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    varlo::win::MessageSystem::Instance().Pump();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(5ms);
  }
}

class PhoneCallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    varlo::win::MessageSystem::Instance().Reset();
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook(nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
    AlsaFixture& alsa = AlsaFixture::Get();
    alsa.SetCapture("varlo_in_a", signals::Tone(800, 8000, 20 * 8000));
    alsa.SetCapture("varlo_in_b", signals::Tone(1200, 8000, 20 * 8000));
    profile.m_audioDelay = 240;
    profile.m_playDevice = "varlo_out_a";
    profile.m_recordDevice = "varlo_in_a";
    window = std::make_unique<CRecorderWnd>();
    phone = std::make_unique<CPhoneEndPoint>();
    phone->SetLocalUserName("alice");
    phone->Initialise(window.get(), &profile);
    ASSERT_EQ(phone->GetListenerPort(), CPhoneEndPoint::kListenerPort);
    phone->SetRtpIpPorts(0, 0);
    peer = std::make_unique<h323test::AudioEndPoint>("bob", "varlo_in_b", "varlo_out_b");
    peerAddress = peer->Listen();
  }
  void TearDown() override {
    phone.reset();
    peer.reset();
    window.reset();
    ResetMediaRelayPorts();
    varlo::win::SetMessageBoxHook(nullptr);
    varlo::win::MessageSystem::Instance().Reset();
  }

  // The peer's side of the call with `token` (the peer's token), locked while fn runs.
  bool AtPeer(const PString& token, const std::function<void(H323Connection&)>& fn) {
    H323Connection* c = peer->FindConnectionWithLock(token);
    if (c == nullptr) return false;
    fn(*c);
    c->Unlock();
    return true;
  }
  // Places a call from the phone to the peer and waits until both sides run their two
  // channels; returns the peer's token of the call.
  PString CallPeer() {
    EXPECT_TRUE(phone->MakeCallTo(peerAddress.GetPointer()));
    EXPECT_FALSE(phone->IsIdle());
    EXPECT_TRUE(peer->WaitEstablished());
    EXPECT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CONNECTED) == 1; }));
    EXPECT_TRUE(h323test::WaitChannels(*phone, phone->GetCurrentCallToken(), 2));
    const PString token = peer->EstablishedToken();
    EXPECT_TRUE(h323test::WaitChannels(*peer, token, 2));
    return token;
  }

  CUserProfile profile;
  std::unique_ptr<CRecorderWnd> window;
  std::unique_ptr<CPhoneEndPoint> phone;
  std::unique_ptr<h323test::AudioEndPoint> peer;
  PString peerAddress;
};

}  // namespace phonetest
