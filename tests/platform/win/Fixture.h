// A fresh message layer for each test, on a manual clock; message boxes answered by the
// default button unless a test says otherwise.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/Wnd.h"

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = std::make_shared<varlo::win::ManualClock>(1000);
    varlo::win::MessageSystem::Instance().Reset(clock);
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook(nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  void TearDown() override {
    varlo::win::SetMessageBoxHook(nullptr);
    varlo::win::MessageSystem::Instance().Reset();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  varlo::win::MessageSystem& Sys() { return varlo::win::MessageSystem::Instance(); }
  std::shared_ptr<varlo::win::ManualClock> clock;
};

// A hidden top-level window whose posted "step" messages run test code inside whatever
// loop is running at that moment.
class CStepWnd : public CWnd {
 public:
  static constexpr UINT kStep = WM_APP + 1;
  CStepWnd() { CreateEx(0, "", "steps", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  // Posts fn to run when the loop gets to it.
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
  std::deque<std::function<void()>> m_steps;  // steps may add steps while they run
};
