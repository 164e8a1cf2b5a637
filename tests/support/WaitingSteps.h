// Steps that each wait, inside whatever loop runs, until what they need has come about,
// then act.  The state is looked at on a short timer; a step that waits longer than the
// limit fails the test with its name and runs the bail-out (which ends the loop), and so
// does a loop that still runs that long after the last step, which should have ended it.
// A step counts as passed while it acts: an action that runs a loop of its own (a modal
// dialog) returns only when that loop ends, and the steps after it run inside it.  Keep
// the object no longer than the loop it serves.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/MessageMap.h"
#include "platform/win/Wnd.h"

class CWaitingSteps : public CWnd {
 public:
  struct Step {
    std::string name;
    std::function<bool()> ready;
    std::function<void()> act;
  };
  CWaitingSteps(std::vector<Step> steps, std::function<void()> bailOut,
                std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Whether every step has acted (false after a bail-out).
  bool Finished() const { return m_next >= m_steps.size() && !m_bailedOut; }

 protected:
  void OnTimer(UINT_PTR);
  DECLARE_MESSAGE_MAP()

 private:
  using Clock = std::chrono::steady_clock;
  std::vector<Step> m_steps;
  std::function<void()> m_bailOut;
  std::chrono::milliseconds m_limit;
  std::size_t m_next = 0;
  bool m_bailedOut = false;
  Clock::time_point m_since = Clock::now();
};

// A step's condition that holds at once.
inline bool Always() { return true; }
