// Shared by the main-window tests: a fresh display-free message layer on a manual clock,
// a private application directory, profile services that touch neither the network nor
// the sound system, and a hidden window whose posted steps run inside a modal loop.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "engine/CUserProfile.h"
#include "engine/ProfileServices.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/Wnd.h"
#include "tests/platform/core/TempDir.h"

// The gatekeeper names resolve to an empty address: a login the window starts fails at
// once, without sending anything.
inline ProfileServices QuietServices() {
  ProfileServices s;
  s.lookupIPv4 = [](const char*, CString& address) {
    address.Empty();
    return TRUE;
  };
  s.defaultSoundDevice = [](SoundDirection) { return CString("null"); };
  return s;
}

// A hidden top-level window; each step posted with Later runs when the loop gets to it.
class CStepWnd : public CWnd {
 public:
  static constexpr UINT kStep = WM_APP + 7;
  CStepWnd() { CreateEx(0, "", "steps", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0); }
  void Later(std::function<void()> fn) {
    m_steps.push_back(std::move(fn));
    PostMessage(kStep, m_steps.size() - 1);
  }

 protected:
  LRESULT OnStep(WPARAM index, LPARAM) {
    m_steps[index]();
    return 0;
  }
  DECLARE_MESSAGE_MAP()

 private:
  std::deque<std::function<void()>> m_steps;
};

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Windows shared with other programs listen in this test's own directory.
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    clock = std::make_shared<varlo::win::ManualClock>(1000);
    Sys().Reset(clock);
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook(nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  void TearDown() override {
    varlo::win::SetMessageBoxHook(nullptr);
    Sys().Reset();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  static varlo::win::MessageSystem& Sys() { return varlo::win::MessageSystem::Instance(); }
  // Writes the profile's files with what `edit` sets (the profile saves when destroyed).
  void SaveProfile(const std::function<void(CUserProfile&)>& edit) {
    CUserProfile profile(dir.Path().c_str(), QuietServices());
    edit(profile);
  }
  std::string LogPath() const { return dir / "Log.log"; }
  std::string LogText() const {
    const Bytes b = ReadBytes(LogPath());
    return std::string(b.begin(), b.end());
  }

  TempDir dir;
  std::shared_ptr<varlo::win::ManualClock> clock;
};
