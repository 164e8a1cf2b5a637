#include "VideoTestSupport.h"

BEGIN_MESSAGE_MAP(CFakeCaptureWnd, CCaptureWnd)
  ON_MESSAGE(WM_CAP_GET_VIDEOFORMAT, &CFakeCaptureWnd::OnGetFormat)
  ON_MESSAGE(WM_CAP_SET_VIDEOFORMAT, &CFakeCaptureWnd::OnSetFormat)
  ON_MESSAGE(WM_CAP_GRAB_FRAME_NOSTOP, &CFakeCaptureWnd::OnGrab)
  ON_MESSAGE(WM_CAP_SET_CALLBACK_FRAME, &CFakeCaptureWnd::OnCallback)
  ON_MESSAGE(WM_CAP_DRIVER_DISCONNECT, &CFakeCaptureWnd::OnDisconnect)
END_MESSAGE_MAP()
