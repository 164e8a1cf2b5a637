// A hidden top-level window whose posted steps run test code inside whatever loop is
// running when it gets to them (a modal dialog's own loop, for instance).
#pragma once

#include <deque>
#include <functional>

#include "platform/win/MessageMap.h"
#include "platform/win/Wnd.h"

class CStepWnd : public CWnd {
 public:
  static constexpr UINT kStep = WM_APP + 7;
  CStepWnd();
  // Posts fn to run when the loop gets to it.
  void Later(std::function<void()> fn);

 protected:
  LRESULT OnStep(WPARAM index, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  std::deque<std::function<void()>> m_steps;  // steps may add steps while they run
};
