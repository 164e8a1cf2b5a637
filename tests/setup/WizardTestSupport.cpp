#include "WizardTestSupport.h"

BEGIN_MESSAGE_MAP(CReportWnd, CWnd)
  ON_MESSAGE(WM_VARLO_DEVICES_CHANGED, &CReportWnd::OnDevicesChanged)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CStepRunner, CWnd)
  ON_MESSAGE(CStepRunner::kStep, &CStepRunner::OnStep)
END_MESSAGE_MAP()
