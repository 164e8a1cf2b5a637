#include "tests/support/StepWindow.h"

#include <utility>

BEGIN_MESSAGE_MAP(CStepWnd, CWnd)
  ON_MESSAGE(kStep, &CStepWnd::OnStep)
END_MESSAGE_MAP()

CStepWnd::CStepWnd() { CreateEx(0, "", "steps", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0); }

void CStepWnd::Later(std::function<void()> fn) {
  m_steps.push_back(std::move(fn));
  PostMessage(kStep, m_steps.size() - 1);
}

LRESULT CStepWnd::OnStep(WPARAM index, LPARAM) {
  m_steps[index]();
  return 0;
}
