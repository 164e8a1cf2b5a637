#include "Fixture.h"

BEGIN_MESSAGE_MAP(CStepWnd, CWnd)
  ON_MESSAGE(kStep, &CStepWnd::OnStep)
END_MESSAGE_MAP()
