// The main window against the test gatekeeper and relay of tests/service on loopback: an
// account and a card the gatekeeper knows, services that name it for the service's host
// names, the relay client pointed at the test relay, and a saved login.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/CUserProfile.h"
#include "engine/ProfileServices.h"
#include "engine/RelayClient.h"
#include "tests/service/TestGatekeeper.h"
#include "tests/service/TestRelay.h"
#include "tests/ui/CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"

class ServiceTest : public UiTest {
 protected:
  static constexpr const char* kId = "KOVA";
  static constexpr const char* kAccount = "alice";
  static constexpr const char* kPassword = "s3cret";
  static constexpr const char* kPin = "813402967155";
  static constexpr const char* kNumber = "8613800138000";
  static constexpr const char* kRecorder = "varlo_in_a";
  static constexpr const char* kPlayer = "varlo_out_a";

  void SetUp() override {
    UiTest::SetUp();
    gk.AddAccount(kId, kAccount, kPassword);
    gk.AddCard(kId, kPin);
  }

  enum class Sound { TestDevices, Null };
  // The primary gatekeeper's name resolves to `gk`, the fallback's to `fallbackHost` (to
  // `gk` while that is empty), any other name to nothing.  The sound devices are the ALSA
  // test devices kRecorder and kPlayer, or "null".
  ProfileServices Services(Sound sound = Sound::TestDevices) const {
    ProfileServices s;
    const std::string primary = gk.HostText();
    const std::string second = fallbackHost.empty() ? primary : fallbackHost;
    s.lookupIPv4 = [primary, second](const char* host, CString& dotted) {
      if (std::string(host) == CUserProfile::kPrimaryGatekeeperName) dotted = primary.c_str();
      else if (std::string(host) == CUserProfile::kFallbackGatekeeperName) dotted = second.c_str();
      else return FALSE;
      return TRUE;
    };
    if (sound == Sound::Null) {
      s.defaultSoundDevice = [](SoundDirection) { return CString("null"); };
    } else {
      s.defaultSoundDevice = [](SoundDirection d) {
        return CString(d == SoundDirection::Recorder ? kRecorder : kPlayer);
      };
    }
    return s;
  }

  // Points the window's relay client at the loopback relay.
  void PointRelayAt(CVarloDlg& dlg) const {
    CRelayClient::Settings s;
    s.serverPort = relay.ControlPort();
    s.resolve = [](const CString&) { return std::vector<CString>{"127.0.0.1"}; };
    s.localAddresses = [] { return std::vector<CString>{"127.0.0.1"}; };
    dlg.SetRelaySettings(s);
  }

  // Saves a profile that logs in by itself (loginMode 1: account, 2: card) with the known
  // account and card, and records and plays on the test devices.
  void SaveLogin(int loginMode) {
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = 1;
      p.m_loginMode = loginMode;
      p.m_keepPassword = TRUE;
      p.m_keepPin = TRUE;
      p.m_account = kAccount;
      p.m_password = kPassword;
      p.m_pin = kPin;
      p.m_recordDevice = kRecorder;
      p.m_playDevice = kPlayer;
      p.m_firstRun = FALSE;
    });
  }

  bool WaitStatus(CVarloDlg& dlg, UINT id, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return PumpUntil([&] { return dlg.m_statusText == AfxLoadString(id); }, timeout);
  }

  service::TestGatekeeper gk;
  service::TestRelay relay;
  std::string fallbackHost;
};
