// Shared by the audio wizard's tests: the test sound devices, a profile in a private
// folder with a test sound, a main window that records the wizard's report, and a runner
// of steps inside the wizard's modal loop.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AlsaFixture.h"
#include "engine/CUserProfile.h"
#include "platform/win/MessageMap.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/WinApp.h"
#include "platform/win/Wnd.h"
#include "stack/sound/PSoundChannel.h"
#include "stack/sound/WavFile.h"
#include "tests/platform/core/TempDir.h"
#include "tests/support/QuietServices.h"
#include "ui/VarloMessages.h"

// Stands for the main window: keeps the WM_USER+107 reports it gets.
class CReportWnd : public CWnd {
 public:
  CReportWnd() { CreateEx(0, "", "main", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  std::vector<std::pair<WPARAM, LPARAM>> reports;

 protected:
  LRESULT OnDevicesChanged(WPARAM w, LPARAM l) {
    reports.emplace_back(w, l);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

// Steps run one after another inside whatever loop runs, each after what the step before
// it posted.  A step that returns false is tried again a little later, until a deadline;
// then the test fails and `bail` ends the wizard.
class CStepRunner : public CWnd {
 public:
  static constexpr UINT kStep = WM_APP + 11;
  explicit CStepRunner(std::function<void()> bail) : m_bail(std::move(bail)) {
    CreateEx(0, "", "steps", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0);
  }
  // A step that always succeeds.
  CStepRunner& Do(std::function<void()> fn) {
    return Until([fn = std::move(fn)] {
      fn();
      return true;
    });
  }
  CStepRunner& Until(std::function<bool()> fn) {
    m_steps.push_back(std::move(fn));
    return *this;
  }
  void Start() { PostMessage(kStep); }
  bool Done() const { return m_steps.empty(); }

 protected:
  LRESULT OnStep(WPARAM, LPARAM) {
    if (m_steps.empty()) return 0;
    if (m_steps.front()()) {
      m_steps.pop_front();
      m_deadline = {};
    } else {
      const auto now = std::chrono::steady_clock::now();
      if (m_deadline == std::chrono::steady_clock::time_point{}) m_deadline = now + std::chrono::seconds(20);
      if (now > m_deadline) {
        ADD_FAILURE() << "a step's condition never came true (" << m_steps.size() << " steps left)";
        m_steps.clear();
        m_bail();
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!m_steps.empty()) PostMessage(kStep);
    return 0;
  }
  DECLARE_MESSAGE_MAP()

 private:
  std::deque<std::function<bool()>> m_steps;
  std::function<void()> m_bail;
  std::chrono::steady_clock::time_point m_deadline{};
};

// 0.4 s of a ramp at 8000 Hz mono: what the speaker test plays.
inline std::vector<int16_t> TestSoundSamples() {
  std::vector<int16_t> s(3200);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>((i * 53) % 16000 - 8000);
  return s;
}

inline void WriteTestSound(const std::string& path) {
  WavAudio a;
  a.samples = TestSoundSamples();
  const auto bytes = EncodeWav(a);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

inline UINT DeviceIndex(PSoundChannel::Directions dir, const char* name) {
  const PINDEX i = PSoundChannel::GetDeviceNames(dir).GetStringsIndex(name);
  EXPECT_NE(i, P_MAX_INDEX) << name;
  return static_cast<UINT>(i);
}

// The texts of a window's children, in their order.
inline std::vector<std::string> ChildTexts(HWND parent) {
  std::vector<std::string> texts;
  auto& sys = varlo::win::MessageSystem::Instance();
  if (auto* w = sys.Find(parent)) {
    for (HWND child : w->children) {
      if (auto* c = sys.Find(child)) texts.push_back(c->text);
    }
  }
  return texts;
}
