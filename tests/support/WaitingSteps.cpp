#include "tests/support/WaitingSteps.h"

#include <gtest/gtest.h>

#include <utility>

BEGIN_MESSAGE_MAP(CWaitingSteps, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()

CWaitingSteps::CWaitingSteps(std::vector<Step> steps, std::function<void()> bailOut, std::chrono::milliseconds limit)
    : m_steps(std::move(steps)), m_bailOut(std::move(bailOut)), m_limit(limit) {
  CreateEx(0, "", "waiting steps", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0);
  SetTimer(1, 20);
}

void CWaitingSteps::OnTimer(UINT_PTR) {
  if (m_bailedOut) return;
  if (m_next >= m_steps.size()) {
    // The last step ends the loop that runs the steps; a loop still running long after it
    // did not take what the step did (a click that never arrived).
    if (Clock::now() - m_since > m_limit) {
      ADD_FAILURE() << "the loop went on after the last step";
      m_bailedOut = true;
      m_bailOut();
    }
    return;
  }
  Step& step = m_steps[m_next];
  if (step.ready()) {
    ++m_next;
    m_since = Clock::now();
    step.act();
  } else if (Clock::now() - m_since > m_limit) {
    ADD_FAILURE() << "waited in vain: " << step.name;
    m_next = m_steps.size();
    m_bailedOut = true;
    m_bailOut();
  }
}
